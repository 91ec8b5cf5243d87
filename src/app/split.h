// The split: asks for the piece size (or is given it by a script) and cuts the source into pieces
// NAME.1, NAME.2, ... and the manifest NAME.sha256, piece 1 starting with the header, while the
// progress row shows each new piece.
#pragma once

#include <cstdint>

#include "app/progress.h"
#include "text/text_value.h"

// Splits the existing file, asking for the size. Gives the exit code: 0, or 1 after a failure
// was shown.
int app_split(const TextValue& file_name);

// What a script asks a split to do beyond its file.
struct SplitJob {
  TextValue source_name;            // the file to split; "-" for standard input
  TextValue input_name;             // for standard input: the name of the file it holds
  std::uint64_t piece_size = 0;     // the size of each piece, or 0 when pieces_wanted is given
  TextValue size_text;              // the size as it was given, for the messages
  std::uint64_t pieces_wanted = 0;  // --count: the most pieces, of the smallest size that gives them
  TextValue directory;              // where the pieces go; empty: beside the source
  ProgressOptions progress;
};

// The same for a script: a size that does not fit is said in one line on standard error
// (exit code 1) instead of asked again.
int app_split_job(const SplitJob& job);

// The smallest piece size that cuts a source of this length into at most that many pieces.
std::uint64_t app_piece_size_for_count(std::uint64_t source_length, std::uint64_t pieces);
