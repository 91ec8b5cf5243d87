#include "app/join.h"

#include <memory>
#include <vector>

#include "app/messages.h"
#include "app/piece_copy.h"
#include "app/piece_format.h"
#include "app/progress.h"
#include "app/set_check.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/checksum.h"
#include "files/checksum_worker.h"
#include "files/dir_search.h"
#include "files/file_names.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/text_ops.h"

namespace {

// The largest number of names tried for the file the glue builds, when earlier ones are taken.
constexpr int TEMPORARY_NAME_TRIES = 100;

TextValue own_part(const TextValue& name) {
  return txt_mid(name, static_cast<std::int32_t>(file_name_start(name)), name.length);
}

// The folder's name as the start of a path in it.
TextValue folder_named(const TextValue& directory) {
  const bool separated = file_name_start(txt_concat(directory, txt_constant("x"))) == directory.length + 1;
  return separated ? txt_copy(directory) : txt_concat(directory, txt_constant("/"));
}

bool stop_at(SetFault& stop, std::string_view message, TextValue name, std::string_view reason = {}) {
  stop.message = message;
  txt_assign(stop.name, std::move(name));
  stop.refused_set = false;
  stop.reason.assign(reason);
  return false;
}

// The names the file being built may take beside the output, new and the program's alone:
// NAME.ext.tranchor-part, then NAME.ext~2.tranchor-part, ... when that one is taken.
TextValue temporary_name_of(const TextValue& output_name, std::int32_t attempt) {
  TextValue name = txt_copy(output_name);
  if (attempt > 1) txt_assign(name, txt_concat(txt_concat(name, txt_constant("~")), app_decimal(attempt)));
  return txt_concat(name, txt_constant(TEMPORARY_SUFFIX));
}

// The temporary files that earlier glues of this set left when they were killed go: every one
// that no running program holds (a glue holds its own while it works, and it stays). Glues take
// the names in turn, so they are looked for in turn, each by its exact name, until one is free.
void remove_stale_temporaries(const TextValue& output_name) {
  for (std::int32_t attempt = 1; attempt <= TEMPORARY_NAME_TRIES; ++attempt) {
    const TextValue name = temporary_name_of(output_name, attempt);
    if (!file_exists_as_made(name)) return;
    file_remove_stale(name);
  }
}

bool create_temporary(const TextValue& output_name, ChannelNumber output, TextValue& temporary_name,
                      std::string& reason) {
  remove_stale_temporaries(output_name);
  for (std::int32_t attempt = 1; attempt <= TEMPORARY_NAME_TRIES; ++attempt) {
    txt_assign(temporary_name, temporary_name_of(output_name, attempt));
    const FailureWatch watch;
    file_open(output, temporary_name, TEMPORARY_FILE_REQUEST);
    if (!watch.failed()) return true;
    reason.assign(watch.reason());
    if (watch.number() != ERR_FILE_EXISTS) break;
  }
  temporary_name = TextValue{};
  return false;
}

// Everything the glue holds while it runs, so that every way out closes and removes alike.
struct Glue {
  explicit Glue(const GlueJob& asked) : job(asked) {}
  const GlueJob& job;
  SetPlan plan;
  TextValue temporary_name;
  ChannelNumber piece = 0;
  ChannelNumber output = 0;
  Progress progress;
  std::unique_ptr<ChecksumWorker> worker;  // the other core's checksum, for large pieces
};

// Appends one piece, open on its channel, to the output: from the channel's position to the
// length the check found, which must be all the piece holds now. A piece that has become longer
// or shorter since is a read failure. With a manifest the piece's checksum is made from the
// bytes as they are copied (piece 1's header first) and must be the manifest's.
bool copy_piece(Glue& glue, std::int32_t number, const TextValue& name, SetFault& stop) {
  const std::uint64_t from = file_position(glue.piece) - 1;
  const std::uint64_t checked_size = app_piece_length(glue.plan.lengths, number);
  Checksum checksum;
  CopyWatch watch = app_progress_watch(glue.progress);
  // A large piece has its checksum made on the other core while this one copies it.
  const bool beside = glue.plan.has_manifest && checked_size >= PARALLEL_CHECKSUM_LENGTH;
  if (beside && !glue.worker) glue.worker = std::make_unique<ChecksumWorker>();
  if (glue.plan.has_manifest) {
    checksum = file_checksum_start();
    if (number == 1) file_checksum_add(checksum, glue.plan.header.data(), glue.plan.header.length);
    watch.needs_bytes = true;
    watch.saw = [&checksum, &glue, beside](const unsigned char* bytes, std::uint32_t count) {
      if (beside) {
        glue.worker->add(bytes, count);
      } else {
        file_checksum_add(checksum, bytes, count);
      }
    };
    if (beside && number == 1) glue.worker->add(glue.plan.header.data(), glue.plan.header.length);
  }
  const CopyResult copy = app_copy_bytes(glue.piece, glue.output, checked_size - from, CopyRest::exactly, &watch);
  app_progress_piece_done(glue.progress);
  switch (copy.outcome) {
    case CopyOutcome::read_failed: return stop_at(stop, CANNOT_READ, txt_copy(name), copy.reason);
    case CopyOutcome::write_failed: return stop_at(stop, CANNOT_WRITE, txt_copy(glue.plan.output_name), copy.reason);
    case CopyOutcome::done: break;
  }
  if (glue.plan.has_manifest &&
      !txt_equal(beside ? glue.worker->finish() : file_checksum_hex(checksum),
                 file_digest_hex(glue.plan.manifest.piece_digests[static_cast<std::size_t>(number - 1)]))) {
    return stop_at(stop, WRONG_CHECKSUM, txt_copy(name));
  }
  return true;
}

// Builds the file from the checked set: piece 1 is open at its first byte, past its header.
bool copy_set(Glue& glue, SetFault& stop) {
  for (std::int32_t number = 1; number <= glue.plan.lengths.count; ++number) {
    const TextValue name = app_piece_name(glue.plan.base, number);
    if (number > 1) {
      const FailureWatch watch;
      glue.piece = file_free_channel();
      file_open(glue.piece, name, READ_FILE_REQUEST);
      if (watch.failed()) return stop_at(stop, CANNOT_READ, txt_copy(name), watch.reason());
    }
    app_show_progress(number, txt_concat(txt_constant(" Now adding : "), name));
    app_progress_piece(glue.progress, "added", name);
    if (!copy_piece(glue, number, name, stop)) return false;
    file_close(glue.piece);
    glue.piece = 0;
  }
  return true;
}

// Every piece is in: the file onto the disk, then under its name, then the name onto the disk.
// Done means on the disk: a power cut after it finds the whole file under its name. Data sent
// to standard output is the reader's.
bool give_output_its_name(Glue& glue, SetFault& stop) {
  const TextValue& output_name = glue.plan.output_name;
  const FailureWatch watch;
  if (glue.job.to_standard_output) {
    file_close(glue.output);
    glue.output = 0;
    return !watch.failed() || stop_at(stop, CANNOT_WRITE, txt_constant("standard output"), watch.reason());
  }
  file_flush(glue.output);
  file_close(glue.output);
  glue.output = 0;
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, txt_copy(output_name), watch.reason());
  file_rename(glue.temporary_name, output_name);
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, txt_copy(output_name), watch.reason());
  glue.temporary_name = TextValue{};
  file_flush_directory(output_name);
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, txt_copy(output_name), watch.reason());
  return true;
}

// The steps from piece 1 to the rebuilt file under its name.
bool glue_set(Glue& glue, SetFault& stop) {
  const TextValue first_name = app_piece_name(glue.plan.base, 1);
  if (!file_exists(first_name)) return stop_at(stop, NOT_FOUND, txt_copy(first_name));
  {
    const FailureWatch watch;
    glue.piece = file_free_channel();
    file_open(glue.piece, first_name, READ_FILE_REQUEST);
    if (watch.failed()) return stop_at(stop, CANNOT_READ, txt_copy(first_name), watch.reason());
  }
  std::vector<SetFault> faults;
  if (!app_check_set(glue.piece, glue.plan, faults, false)) {
    stop = std::move(faults.front());
    return false;
  }
  if (!glue.job.directory.empty()) {
    txt_assign(glue.plan.output_name, txt_concat(folder_named(glue.job.directory), own_part(glue.plan.output_name)));
  }
  const std::uint64_t total = app_set_length(glue.plan.lengths);
  app_progress_start(glue.progress, glue.job.progress, total - glue.plan.header.length);
  glue.output = file_free_channel();
  if (glue.job.to_standard_output) {
    const FailureWatch watch;
    file_open_standard(glue.output, StandardFile::output);
    if (watch.failed()) return stop_at(stop, CANNOT_WRITE, txt_constant("standard output"), watch.reason());
    return copy_set(glue, stop) && give_output_its_name(glue, stop);
  }
  // The file is built under a name of its own and takes the output's name only when every
  // piece is in it, so a failed glue never leaves a partial file under that name. It gets
  // piece 1's permission bits before any data is in it.
  std::string reason;
  if (!create_temporary(glue.plan.output_name, glue.output, glue.temporary_name, reason)) {
    glue.output = 0;
    return stop_at(stop, CANNOT_WRITE, txt_copy(glue.plan.output_name), reason);
  }
  {
    const FailureWatch watch;
    file_copy_permissions(glue.piece, glue.output);
    if (watch.failed()) return stop_at(stop, CANNOT_WRITE, txt_copy(glue.plan.output_name), watch.reason());
  }
  if (!copy_set(glue, stop)) return false;
  return give_output_its_name(glue, stop);
}

// Shows why the run stops, as the glue's screen and the script's line show it.
void show_fault(const SetFault& fault) {
  if (fault.refused_set) {
    app_end_incomplete_set(txt_concat(txt_constant(fault.message), fault.name), fault.reason);
  } else {
    app_show_failure(fault.message, fault.name, fault.reason);
  }
}

// The checksum of a whole piece, read from its start.
TextValue checksum_of(const TextValue& name, std::string& reason) {
  const FailureWatch watch;
  const ChannelNumber channel = file_free_channel();
  file_open(channel, name, READ_FILE_REQUEST);
  Checksum checksum = file_checksum_start();
  for (TextValue block = file_read_bytes(channel, STREAM_BLOCK_SIZE); !block.empty() && !watch.failed();
       txt_assign(block, file_read_bytes(channel, STREAM_BLOCK_SIZE))) {
    file_checksum_add(checksum, block.data(), block.length);
  }
  file_close(channel);
  reason.assign(watch.reason());
  return watch.failed() ? TextValue{} : file_checksum_hex(checksum);
}

// The pieces that the manifest names, each read whole for its checksum: a line for every piece
// that is missing or damaged.
bool check_every_piece(const SetPlan& plan) {
  bool whole = true;
  for (std::size_t at = 0; at < plan.manifest.piece_digests.size(); ++at) {
    const TextValue name = app_piece_name(plan.base, static_cast<std::int32_t>(at + 1));
    std::string reason;
    if (!file_exists(name)) {
      app_end_incomplete_set(txt_concat(txt_constant(NOT_FOUND), name), {});
    } else if (!txt_equal(checksum_of(name, reason), file_digest_hex(plan.manifest.piece_digests[at]))) {
      if (reason.empty()) {
        app_show_failure(WRONG_CHECKSUM, name);
      } else {
        app_show_failure(CANNOT_READ, name, reason);
      }
    } else {
      continue;
    }
    whole = false;
  }
  return whole;
}

}  // namespace

int app_join(const TextValue& base_name) {
  GlueJob job;
  txt_assign(job.base, base_name);
  return app_join_job(job);
}

int app_join_job(const GlueJob& job) {
  Glue glue(job);
  txt_assign(glue.plan.base, txt_copy(job.base));
  TextValue extension_field;
  app_split_name(glue.plan.base, extension_field);

  app_show_progress(0, txt_concat(txt_constant("Now creating : "), glue.plan.base));

  SetFault stop;
  const bool glued = glue_set(glue, stop);
  file_close(glue.piece);
  file_close(glue.output);
  if (glued) {
    app_progress_finish(glue.progress, "from", static_cast<std::size_t>(glue.plan.lengths.count));
    return 0;
  }
  app_progress_abandon(glue.progress);
  if (!glue.temporary_name.empty()) file_remove(glue.temporary_name);
  show_fault(stop);
  return 1;
}

int app_check_job(const GlueJob& job) {
  SetPlan plan;
  txt_assign(plan.base, txt_copy(job.base));
  TextValue extension_field;
  app_split_name(plan.base, extension_field);
  const TextValue first_name = app_piece_name(plan.base, 1);
  if (!file_exists(first_name)) {
    app_show_failure(NOT_FOUND, first_name);
    return 1;
  }
  const FailureWatch watch;
  const ChannelNumber piece = file_free_channel();
  file_open(piece, first_name, READ_FILE_REQUEST);
  std::vector<SetFault> faults;
  if (watch.failed()) {
    faults.push_back(SetFault{CANNOT_READ, txt_copy(first_name), false, std::string(watch.reason())});
  } else {
    // The set's shape as the glue checks it, every missing piece listed; a piece 1 whose header
    // cannot be read stops that check before the manifest, which still names every piece.
    app_check_set(piece, plan, faults, true);
    if (!plan.has_manifest && !faults.empty()) plan.has_manifest = app_read_set_manifest(plan.base, plan.manifest);
  }
  file_close(piece);
  if (plan.has_manifest && !app_manifest_names_set_file(plan.manifest.whole.name, plan.base)) {
    faults.clear();  // a manifest that names no file of this set is the one fault
    faults.push_back(SetFault{CANNOT_READ, app_manifest_name(plan.base), false, {}});
  } else if (plan.has_manifest && !check_every_piece(plan)) {
    return 1;  // every missing and damaged piece is listed, in order
  }
  // The faults of the set's shape: with a manifest only what its checksums cannot show (a piece
  // of a length that does not fit the set), else every missing or misfit piece.
  for (const SetFault& fault : faults) show_fault(fault);
  if (!faults.empty()) return 1;
  if (plan.has_manifest) return 0;
  app_report(txt_concat(txt_concat(txt_constant("no manifest of the set ("), app_manifest_name(plan.base)),
                        txt_constant("): only the shape of the set was checked")));
  return 0;
}
