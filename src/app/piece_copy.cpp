#include "app/piece_copy.h"

#include <algorithm>
#include <string>

#include "app/messages.h"
#include "console/screen.h"
#include "files/transfer.h"
#include "frame/errors.h"

namespace {

// What the progress rows show, from row 17, column 1, row after row: every progress row is
// written over the ones before it, and the cells beyond them are blank. A percentage covers a
// few cells after the last row's text and puts them back when it goes.
struct ProgressArea {
  std::string shown;          // the cells the progress rows have written
  bool known = false;         // the other cells of the area are blank, and nothing scrolled
  std::uint64_t last_end = 0; // where the last row's text ends, counted in cells from the start
  std::uint32_t percent_cells = 0;  // the cells a percentage covers now
};
ProgressArea area;

std::uint64_t area_cells() {
  const ConsolePosition size = con_get_screen_size();
  return size.row >= PROGRESS_ROW ? static_cast<std::uint64_t>(size.row - PROGRESS_ROW + 1) * size.column : 0;
}

// Notes a row about to be written: the first of a run finds the area blank when the cursor
// stands above it; a row that reaches the last cell may scroll the screen, and then nothing of
// the area is known any more.
void note_row(std::uint32_t marks, const TextValue& text) {
  if (area.shown.empty()) area.known = con_get_cursor().row + 1 <= PROGRESS_ROW;
  area.last_end = std::uint64_t{marks} + text.length;
  if (area.last_end + 1 >= area_cells()) area.known = false;
  if (!area.known) return;
  if (area.shown.size() < area.last_end) area.shown.resize(area.last_end, ' ');
  std::fill_n(area.shown.begin(), marks, static_cast<char>(PROGRESS_MARK));
  std::copy_n(text.data(), text.length, area.shown.begin() + marks);
}

// Writes the text at a cell of the area and puts the cursor back where it stood.
void write_in_area(std::uint64_t cell, const TextValue& text) {
  const int columns = con_get_screen_size().column;
  const ConsolePosition cursor = con_get_cursor();
  con_set_cursor(static_cast<std::int32_t>(cell % columns) + 1, PROGRESS_ROW + static_cast<std::int32_t>(cell / columns));
  con_print(text);
  con_set_cursor(cursor.column + 1, cursor.row + 1);
  con_present();
}

}  // namespace

void app_show_progress(std::int32_t piece_number, const TextValue& text) {
  app_erase_percent();
  note_row(static_cast<std::uint32_t>(piece_number), text);
  con_set_cursor(1, PROGRESS_ROW);
  // As many marks as pieces: written without making a text of them, at a cost that does not
  // grow with their number.
  con_write_repeated(PROGRESS_MARK, static_cast<std::uint32_t>(piece_number));
  con_print(text);
  con_new_line();
}

void app_show_percent(int percent) {
  const int columns = con_get_screen_size().column;
  const TextValue text = txt_constant(" " + std::to_string(percent) + "%");
  // Only on the row where the text ends, with room for all of it before the row's end.
  if (!area.known || columns <= 0 || area.last_end % columns + text.length + 1 > static_cast<std::uint64_t>(columns) ||
      area.last_end + text.length + 1 >= area_cells()) {
    return;
  }
  if (area.percent_cells > text.length) app_erase_percent();
  write_in_area(area.last_end, text);
  area.percent_cells = text.length;
}

void app_erase_percent() {
  if (area.percent_cells == 0) return;
  std::string under(area.percent_cells, ' ');
  for (std::uint32_t at = 0; at < area.percent_cells && area.last_end + at < area.shown.size(); ++at) {
    under[at] = area.shown[area.last_end + at];
  }
  area.percent_cells = 0;
  write_in_area(area.last_end, txt_constant(under));
}

void app_reset_progress_area() { area = ProgressArea{}; }

CopyResult app_copy_bytes(ChannelNumber from, ChannelNumber to, std::uint64_t count, CopyRest rest,
                          const CopyWatch* watch) {
  const FailureWatch failures;
  // A copy that takes a while starts with the screen up to date.
  if (count >= LONG_COPY) con_present();
  std::uint64_t copied = 0;
  const SourceRest source_rest = rest == CopyRest::exactly ? SourceRest::exactly : SourceRest::any;
  CopyResult result;
  const std::uint32_t block = watch != nullptr && watch->needs_bytes ? CHECKED_BLOCK_SIZE : COPY_BLOCK_SIZE;
  const FileCopyEnd end = file_copy_range(from, to, count, block, copied, source_rest, watch);
  result.copied = copied;
  switch (end) {
    case FileCopyEnd::done: return result;
    case FileCopyEnd::write_failed: result.outcome = CopyOutcome::write_failed; break;
    case FileCopyEnd::source_ended:
    case FileCopyEnd::source_longer:
    case FileCopyEnd::read_failed: result.outcome = CopyOutcome::read_failed; break;
  }
  result.reason.assign(failures.reason());
  return result;
}

CopyResult app_copy_stream(ChannelNumber from, ChannelNumber to, std::uint64_t count, const CopyWatch& watch) {
  CopyResult result;
  while (result.copied < count) {
    const FailureWatch failures;
    const std::uint64_t left = count - result.copied;
    const TextValue block = file_read_bytes(from, static_cast<std::uint32_t>(left < STREAM_BLOCK_SIZE ? left : STREAM_BLOCK_SIZE));
    if (failures.failed()) {
      result.outcome = CopyOutcome::read_failed;
      result.reason.assign(failures.reason());
      return result;
    }
    if (block.empty()) break;  // the stream's end
    file_write_text(to, block);
    if (failures.failed()) {
      result.outcome = CopyOutcome::write_failed;
      result.reason.assign(failures.reason());
      return result;
    }
    if (watch.saw) watch.saw(block.data(), block.length);
    if (watch.moved) watch.moved(block.length);
    result.copied += block.length;
  }
  return result;
}
