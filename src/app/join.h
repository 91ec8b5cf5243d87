// The join: finds the pieces NAME.1, NAME.2, ... in ascending order, checks the set against the
// count in piece 1, and rebuilds the file named by the extension that piece 1 records.
#pragma once

#include "text/text_value.h"

// Joins the set with this base name. Gives the exit code: 0, or 1 after a failure was shown.
int app_join(const TextValue& file_name);

// The rebuilt file's name: base, a dot and the extension, without trailing blanks and dots.
TextValue app_output_name(const TextValue& base, const TextValue& extension_field);
