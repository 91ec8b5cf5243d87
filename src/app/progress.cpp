#include "app/progress.h"

#include <string>

#include "app/messages.h"
#include "app/piece_copy.h"
#include "console/device_in_use.h"
#include "frame/clock.h"
#include "frame/ending.h"
#include "text/text_ops.h"

namespace {

constexpr std::uint64_t LINE_INTERVAL_MS = 1000;
constexpr std::uint64_t SCREEN_DELAY_MS = 1000;     // a piece shows its percentage after this long
constexpr std::uint64_t SCREEN_INTERVAL_MS = 250;

// A number of bytes as people read it: 512 B, 12.3 kB, 4.7 GB (powers of 1000).
std::string bytes_text(std::uint64_t bytes) {
  static const char* const UNITS[] = {"B", "kB", "MB", "GB", "TB", "PB"};
  if (bytes < 1000) return std::to_string(bytes) + " B";
  long double value = static_cast<long double>(bytes);
  int unit = 0;
  while (value >= 999.95L && unit < 5) {
    value /= 1000;
    ++unit;
  }
  const auto tenths = static_cast<std::uint64_t>(value * 10 + 0.5L);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + UNITS[unit];
}

std::string seconds_text(std::uint64_t milliseconds) {
  const std::uint64_t seconds = (milliseconds + 500) / 1000;
  if (seconds < 60) return std::to_string(seconds) + " s";
  if (seconds < 3600) return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
  return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

// Tenths of a second, for the last line: "11.3 s".
std::string elapsed_text(std::uint64_t milliseconds) {
  const std::uint64_t tenths = (milliseconds + 50) / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

int percent_of(const Progress& progress) {
  if (progress.total == 0) return 0;
  return static_cast<int>(static_cast<long double>(progress.done) * 100 / static_cast<long double>(progress.total));
}

// Writes a line: in place of the last one on a terminal, else as a line of its own.
void write_line(Progress& progress, const std::string& text, bool last) {
  std::string line = "tranchor: " + text;
  if (!progress.in_place) {
    rt_write_text((line + "\n").c_str(), true);
    return;
  }
  const auto length = static_cast<std::uint32_t>(line.size());
  if (length < progress.line_length) line.append(progress.line_length - length, ' ');
  progress.line_length = last ? 0 : length;
  rt_write_text(("\r" + line + (last ? "\n" : "")).c_str(), true);
}

// Takes a line that stands in place away, so that another line can be written in its place.
void clear_line(Progress& progress) {
  if (!progress.in_place || progress.line_length == 0) return;
  rt_write_text(("\r" + std::string(progress.line_length, ' ') + "\r").c_str(), true);
  progress.line_length = 0;
}

void write_progress_line(Progress& progress, std::uint64_t now) {
  const std::uint64_t elapsed = now - progress.start_ms;
  std::string text = bytes_text(progress.done);
  if (progress.total > 0) text += " of " + bytes_text(progress.total) + ", " + std::to_string(percent_of(progress)) + "%";
  if (elapsed > 0) {
    const std::uint64_t rate = progress.done * 1000 / elapsed;
    text += ", " + bytes_text(rate) + "/s";
    if (progress.total > progress.done && rate > 0) {
      text += ", " + seconds_text((progress.total - progress.done) * 1000 / rate) + " left";
    }
  }
  write_line(progress, text, false);
  progress.last_line_ms = now;
}

}  // namespace

void app_progress_start(Progress& progress, const ProgressOptions& options, std::uint64_t total) {
  progress = Progress{};
  progress.options = options;
  progress.total = total;
  progress.start_ms = rt_now_ms();
  progress.last_line_ms = progress.start_ms;
  progress.piece_start_ms = progress.start_ms;
  progress.in_place = options.lines && rt_error_is_terminal();
}

void app_progress_piece(Progress& progress, std::string_view verb, const TextValue& piece_name) {
  progress.piece_start_ms = rt_now_ms();
  progress.last_screen_ms = progress.piece_start_ms;
  if (!progress.options.verbose) return;
  clear_line(progress);
  app_report(txt_concat(txt_constant(std::string(verb) + " "), piece_name));
}

CopyWatch app_progress_watch(Progress& progress) {
  CopyWatch watch;
  watch.moved = [&progress](std::uint64_t count) { app_progress_moved(progress, count); };
  return watch;
}

void app_progress_moved(Progress& progress, std::uint64_t count) {
  progress.done += count;
  const bool lines = progress.options.lines;
  const bool screen = !con_silent();
  if (!lines && !screen) return;
  const std::uint64_t now = rt_now_ms();
  if (lines && now - progress.last_line_ms >= LINE_INTERVAL_MS) write_progress_line(progress, now);
  if (screen && progress.total > 0 && now - progress.piece_start_ms >= SCREEN_DELAY_MS &&
      now - progress.last_screen_ms >= SCREEN_INTERVAL_MS) {
    app_show_percent(percent_of(progress));
    progress.last_screen_ms = now;
  }
}

void app_progress_piece_done(Progress&) { app_erase_percent(); }

void app_progress_finish(Progress& progress, std::string_view pieces_word, std::uint64_t pieces) {
  app_erase_percent();
  if (!progress.options.lines && !progress.options.verbose) return;
  const std::string text = bytes_text(progress.done) + " " + std::string(pieces_word) + " " + std::to_string(pieces) +
                           (pieces == 1 ? " piece, " : " pieces, ") + elapsed_text(rt_now_ms() - progress.start_ms);
  write_line(progress, text, true);
}

void app_progress_abandon(Progress& progress) {
  app_erase_percent();
  if (progress.in_place && progress.line_length > 0) rt_write_text("\n", true);
  progress.line_length = 0;
}
