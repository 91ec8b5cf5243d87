// The split: asks for the piece size and cuts the source into pieces NAME.1, NAME.2, ... beside
// it, piece 1 starting with the header, while the progress row shows each new piece.
#pragma once

#include "text/text_value.h"

// Splits the existing file. Gives the exit code: 0, or 1 after a failure was shown.
int app_split(const TextValue& file_name);

// The same for a script: the size comes with the call, and a size that does not fit is said
// in one line on standard error (exit code 1) instead of asked again.
int app_split_scripted(const TextValue& size_text, const TextValue& file_name);
