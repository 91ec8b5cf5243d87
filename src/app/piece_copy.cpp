#include "app/piece_copy.h"

#include "app/messages.h"
#include "console/screen.h"
#include "files/transfer.h"
#include "frame/errors.h"

void app_show_progress(std::int32_t piece_number, const TextValue& text) {
  con_set_cursor(1, PROGRESS_ROW);
  // As many marks as pieces: written without making a text of them, at a cost that does not
  // grow with their number.
  con_write_repeated(PROGRESS_MARK, static_cast<std::uint32_t>(piece_number));
  con_print(text);
  con_new_line();
}

CopyResult app_copy_bytes(ChannelNumber from, ChannelNumber to, std::uint64_t count, CopyRest rest,
                          const CopyWatch* watch) {
  const FailureWatch failures;
  std::uint64_t copied = 0;
  const SourceRest source_rest = rest == CopyRest::exactly ? SourceRest::exactly : SourceRest::any;
  CopyResult result;
  switch (file_copy_range(from, to, count, COPY_BLOCK_SIZE, copied, source_rest, watch)) {
    case FileCopyEnd::done: return result;
    case FileCopyEnd::write_failed: result.outcome = CopyOutcome::write_failed; break;
    case FileCopyEnd::source_ended:
    case FileCopyEnd::source_longer:
    case FileCopyEnd::read_failed: result.outcome = CopyOutcome::read_failed; break;
  }
  result.reason.assign(failures.reason());
  return result;
}
