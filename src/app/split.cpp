#include "app/split.h"

#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/messages.h"
#include "app/piece_copy.h"
#include "app/piece_format.h"
#include "app/set_writer.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/file_names.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/size_text.h"
#include "text/text_ops.h"

namespace {

// Asks until the typed size is one the source can be cut into; a refused size only repeats the
// prompt on the next row.
std::uint64_t ask_piece_size(std::uint64_t source_length) {
  for (;;) {
    con_print(app_marked(" with a size of [bytes]:"));
    const std::uint64_t piece_size = num_size_from_text(con_input_line());
    if (app_plan_split(source_length, piece_size).fits) return piece_size;
  }
}

// Opens the source: a plain file, read-only, or standard input. False after the failure was
// shown.
bool open_source(SetSource& source) {
  const FailureWatch watch;
  source.source = file_free_channel();
  if (source.streamed) {
    file_open_standard(source.source, StandardFile::input);
  } else {
    file_open(source.source, source.source_name, READ_FILE_REQUEST);
    if (!watch.failed()) source.length = file_size(source.source);
  }
  if (!watch.failed()) return true;
  const std::string reason(watch.reason());
  file_close(source.source);
  app_show_failure(CANNOT_READ, source.source_name, reason);
  return false;
}

TextValue own_part(const TextValue& name) {
  return txt_mid(name, static_cast<std::int32_t>(file_name_start(name)), name.length);
}

// The set's name: that of the file (or of the one standard input holds), its pieces beside the
// file or in the folder asked for.
void name_the_set(SetSource& source, const TextValue& file_name, const TextValue& directory) {
  txt_assign(source.whole_name, own_part(file_name));
  source.set = app_set_name(file_name);
  if (directory.empty()) return;
  const bool separated = file_name_start(txt_concat(directory, txt_constant("x"))) == directory.length + 1;
  const TextValue folder = separated ? txt_copy(directory) : txt_concat(directory, txt_constant("/"));
  txt_assign(source.set.base, txt_concat(folder, own_part(source.set.base)));
}

int write_set(const SetSource& source, const ProgressOptions& options) {
  Progress progress;
  app_progress_start(progress, options, source.streamed ? 0 : source.length);
  SplitStop stop;
  std::uint64_t pieces = 0;
  const bool written = app_write_set(source, progress, stop, pieces);
  file_close(source.source);
  if (written) {
    app_progress_finish(progress, "in", pieces);
    return 0;
  }
  app_progress_abandon(progress);
  app_show_failure(stop.message, stop.name, stop.reason);
  return 1;
}

}  // namespace

std::uint64_t app_piece_size_for_count(std::uint64_t source_length, std::uint64_t pieces) {
  // n pieces hold (length + 18) bytes exactly when they hold less than n full pieces would.
  const std::uint64_t size = (source_length + PIECE_HEADER_SIZE) / pieces + 1;
  return size > PIECE_HEADER_SIZE ? size : PIECE_HEADER_SIZE + 1;
}

int app_split(const TextValue& source_name) {
  con_new_line();
  con_print(app_marked(" Split file into pieces"));
  con_new_line();

  // The source is opened before the size is asked for, so that the size can be checked against
  // its length; it is only ever read.
  SetSource source;
  txt_assign(source.source_name, source_name);
  if (!open_source(source)) return 1;
  source.piece_size = ask_piece_size(source.length);
  app_show_progress(1, source_name);
  name_the_set(source, source_name, TextValue{});
  return write_set(source, ProgressOptions{});
}

int app_split_job(const SplitJob& job) {
  SetSource source;
  source.streamed = txt_view(job.source_name) == STANDARD_INPUT_NAME;
  txt_assign(source.source_name, source.streamed ? job.input_name : job.source_name);
  if (!open_source(source)) return 1;
  source.piece_size = job.pieces_wanted > 0 ? app_piece_size_for_count(source.length, job.pieces_wanted) : job.piece_size;
  if (!source.streamed && !app_plan_split(source.length, source.piece_size).fits) {
    file_close(source.source);
    app_report(txt_concat(txt_concat(txt_concat(txt_concat(txt_constant("the size "), job.size_text),
                                                txt_constant(" is too small for ")),
                                     job.source_name),
                          txt_constant(": the set would have more than 32767 pieces")));
    return 1;
  }
  name_the_set(source, source.streamed ? job.input_name : job.source_name, job.directory);
  return write_set(source, job.progress);
}
