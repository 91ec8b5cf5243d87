// The glue: finds the pieces NAME.1, NAME.2, ... in ascending order, checks the set (against the
// manifest beside it when there is one, else against the count in piece 1), and rebuilds the
// file, named by the manifest or by the extension that piece 1 records.
#pragma once

#include "text/text_value.h"

// Joins the set with this base name. Gives the exit code: 0, or 1 after a failure was shown.
int app_join(const TextValue& file_name);
