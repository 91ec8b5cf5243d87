#include "app/scripted.h"

#include <string_view>

#include "app/join.h"
#include "app/messages.h"
#include "app/piece_format.h"
#include "app/set_check.h"
#include "app/split.h"
#include "files/dir_search.h"
#include "text/number_parse.h"
#include "text/size_text.h"
#include "text/text_ops.h"

namespace {

int report_missing(const TextValue& name) {
  app_end_with_message(txt_concat(txt_constant(NOT_FOUND), name));
  return 1;
}

// The piece size or the count the command asks for; false after the refusal was said.
bool read_size(const Command& command, SplitJob& job) {
  if (!command.count_text.empty()) {
    const long double count = num_from_text(command.count_text);
    if (count >= 1 && count <= PIECE_LIMIT && count == static_cast<long double>(static_cast<std::int32_t>(count))) {
      job.pieces_wanted = static_cast<std::uint64_t>(count);
      return true;
    }
    app_report(txt_concat(txt_concat(txt_constant("the count "), command.count_text),
                          txt_constant(" is no number of pieces from 1 to 32767")));
    return false;
  }
  job.piece_size = num_size_from_text(command.size_text);
  txt_assign(job.size_text, command.size_text);
  if (job.piece_size > PIECE_HEADER_SIZE) return true;
  app_report(txt_concat(txt_concat(txt_constant("the size "), command.size_text),
                        txt_constant(" is too small: pieces must be larger than 18 bytes")));
  return false;
}

ProgressOptions progress_of(const Command& command) { return ProgressOptions{command.progress, command.verbose}; }

int split_each(const Command& command) {
  SplitJob job;
  if (!read_size(command, job)) return 1;
  txt_assign(job.input_name, command.input_name);
  txt_assign(job.directory, command.directory);
  job.progress = progress_of(command);
  int result = 0;
  for (const TextValue& name : command.names) {
    txt_assign(job.source_name, name);
    const bool from_input = txt_view(name) == STANDARD_INPUT_NAME;
    if (!from_input && !file_exists(name)) {
      result = report_missing(name);
      continue;
    }
    if (app_split_job(job) != 0) result = 1;
  }
  return result;
}

int glue_or_check_each(const Command& command) {
  int result = 0;
  for (const TextValue& name : command.names) {
    GlueJob job;
    if (!app_set_base_of(name, job.base)) {
      result = report_missing(name);
      continue;
    }
    txt_assign(job.directory, command.directory);
    job.to_standard_output = command.to_standard_output;
    job.progress = progress_of(command);
    const int code = command.kind == CommandKind::check ? app_check_job(job) : app_join_job(job);
    if (code != 0) result = 1;
  }
  return result;
}

}  // namespace

int app_run_scripted(const Command& command) {
  return command.kind == CommandKind::split ? split_each(command) : glue_or_check_each(command);
}
