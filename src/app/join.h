// The glue: finds the pieces NAME.1, NAME.2, ... in ascending order, checks the set (against the
// manifest beside it when there is one, else against the count in piece 1), and rebuilds the
// file, named by the manifest or by the extension that piece 1 records.
#pragma once

#include "app/progress.h"
#include "text/text_value.h"

// Joins the set with this base name, as typed at the prompt or taken from a dropped piece 1.
// Gives the exit code: 0, or 1 after a failure was shown.
int app_join(const TextValue& file_name);

// What a script asks a glue or a check to do beyond the set's base.
struct GlueJob {
  TextValue base;
  TextValue directory;              // where the rebuilt file goes; empty: beside piece 1
  bool to_standard_output = false;  // the data goes to standard output, nothing to disk
  ProgressOptions progress;
};

int app_join_job(const GlueJob& job);

// Checks the set and writes nothing: every piece there (all that are missing are listed), every
// checksum right (all the damaged pieces are listed), each on a line of its own on standard
// error. Without a manifest only the set's shape is checked, and one line says so. Gives 0 when
// the set would glue, else 1.
int app_check_job(const GlueJob& job);
