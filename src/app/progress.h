// What a run says while it works: for a script, on standard error, a progress line at most once a
// second (bytes done of the total, percent, rate, time left; written again in place on a
// terminal) and a line for each piece; on the screen, while a piece takes longer than a second,
// the percentage of the whole run after the piece's name on its progress row.
#pragma once

#include <cstdint>
#include <string_view>

#include "files/transfer.h"
#include "text/text_value.h"

// How a scripted run reports: nothing unless asked.
struct ProgressOptions {
  bool lines = false;    // --progress
  bool verbose = false;  // --verbose: a line for every piece
};

struct Progress {
  ProgressOptions options;
  std::uint64_t total = 0;  // bytes of the whole run; 0 when unknown (standard input)
  std::uint64_t done = 0;
  std::uint64_t start_ms = 0;
  std::uint64_t last_line_ms = 0;
  std::uint64_t piece_start_ms = 0;
  std::uint64_t last_screen_ms = 0;
  std::uint32_t line_length = 0;  // of the line that stands in place on a terminal
  bool in_place = false;          // standard error is a terminal
};

// The start of a run of this many bytes (0: unknown).
void app_progress_start(Progress& progress, const ProgressOptions& options, std::uint64_t total);
// A piece begins: the verbose line ("made DATA.2", "added DATA.2").
void app_progress_piece(Progress& progress, std::string_view verb, const TextValue& piece_name);
// The watch of a copy that reports to the progress.
CopyWatch app_progress_watch(Progress& progress);
// Bytes that have reached their target.
void app_progress_moved(Progress& progress, std::uint64_t count);
// The piece's copy is over: a percentage on the screen goes.
void app_progress_piece_done(Progress& progress);
// The end of a finished run: the last line, with the total, the pieces and the time.
void app_progress_finish(Progress& progress, std::string_view pieces_word, std::uint64_t pieces);
// The end of a run that failed: a line that stands in place is ended, so the failure's line
// comes below it.
void app_progress_abandon(Progress& progress);
