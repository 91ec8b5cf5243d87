#include "app/piece_copy.h"

#include "app/piece_format.h"
#include "console/screen.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/text_ops.h"

bool app_failed() { return (rt_current_frame().error_word & ERROR_PENDING) != 0; }

void app_show_progress(std::int32_t piece_number, const TextValue& text) {
  con_set_cursor(1, PROGRESS_ROW);
  con_print(txt_repeat(txt_from_code(PROGRESS_MARK), static_cast<std::uint32_t>(piece_number)));
  con_print(text);
  con_new_line();
}

CopyOutcome app_copy_bytes(ChannelNumber from, ChannelNumber to, std::uint64_t count) {
  while (count > 0) {
    const auto block = static_cast<std::uint32_t>(count < COPY_BLOCK_SIZE ? count : COPY_BLOCK_SIZE);
    const TextValue data = file_read_bytes(from, block);
    if (app_failed() || data.length != block) return CopyOutcome::read_failed;
    file_write_text(to, data);
    if (app_failed()) return CopyOutcome::write_failed;
    count -= block;
  }
  return CopyOutcome::done;
}
