#include "files/transfer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "files/channel_table.h"
#include "files/file_state.h"
#include "frame/os_call.h"
#include "frame/runtime_state.h"

namespace {

// Only binary channels move bytes; record transfers are not built, so those channels are
// refused like input, output and append ones.
bool transfers_allowed(const FileChannel& record) {
  return file_channel_kind(record.mode) == ChannelKind::binary;
}

// Moves the file pointer to a caller's position. The position counter follows it only when the
// move worked; a position that no file can reach is a bad position, not a transfer elsewhere.
ErrorNumber move_to(FileChannel& record, std::uint64_t position) {
  if (record.device_kind != DEVICE_DISK) return ERR_BAD_FILE_MODE;
  if (position < record.position_base) return ERR_BAD_POSITION;
  const std::uint64_t offset = position - record.position_base;
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return ERR_BAD_POSITION;
  ErrorNumber error = 0;
  const bool moved = rt_os_call(error, [&](FileSystem& fs) {
    return fs.seek(record.handle, static_cast<std::int64_t>(offset), FS_BEGIN, nullptr);
  });
  if (error != 0) return error;
  if (!moved) return ERR_BAD_POSITION;
  record.position = offset;
  return 0;
}

enum class Direction : std::uint8_t { read, write };

// One operating-system read (into read_into) or write (from write_from) at the file pointer.
// The counters follow the bytes moved even when the call failed part-way; a call that worked
// clears the end flag. Gives the mapped error, 0 on success.
ErrorNumber os_transfer(FileChannel& record, Direction direction, void* read_into, const void* write_from,
                        std::uint32_t size, std::uint32_t& moved) {
  ErrorNumber error = 0;
  moved = 0;
  rt_os_call(error, [&](FileSystem& fs) {
    return direction == Direction::read ? fs.read(record.handle, read_into, size, &moved)
                                        : fs.write(record.handle, write_from, size, &moved);
  });
  record.last_count = moved;
  record.position += moved;
  if (error == 0) record.flags &= static_cast<std::uint16_t>(~CHANNEL_AT_END);
  return error;
}

}  // namespace

TextValue file_read_bytes(ChannelNumber channel, std::uint32_t count) {
  FileChannel* record = file_find_channel(channel);
  if (record == nullptr) return TextValue{};
  if (!transfers_allowed(*record)) {
    rt_raise_error(ERR_BAD_FILE_MODE);
    return TextValue{};
  }
  TextValue text = txt_allocate(count);
  if (count != 0 && text.empty()) {
    rt_raise_error(ERR_OUT_OF_MEMORY);
    return TextValue{};
  }
  std::uint32_t moved = 0;
  if (ErrorNumber error = os_transfer(*record, Direction::read, text.data(), nullptr, count, moved)) {
    rt_raise_error(error);
    return TextValue{};
  }
  if (moved != count) {
    record->flags |= CHANNEL_AT_END;
    // The text keeps its storage and reads as the bytes that came: a read of a whole file never
    // holds it twice.
    if (moved == 0) return TextValue{};
    text.length = moved;
    return text;
  }
  return text;
}

namespace {

// One copy from one channel to another, as it goes.
struct RangeCopy {
  FileChannel& source;
  FileChannel& target;
  std::uint64_t count;       // bytes asked for
  std::uint32_t block_size;  // at least 1
  bool exact;                // the source must hold no more than count bytes from its position
  std::uint64_t& copied;     // the caller's count of bytes copied so far
  const CopyWatch* watch;    // null when no one follows the copy
  bool end_seen = false;     // a read has found the source's end right behind the bytes copied
};

// What a watcher hears of bytes that have just reached the target: their count, and the bytes
// themselves when they passed through the program.
void tell_moved(const CopyWatch* watch, std::uint64_t count) {
  if (watch != nullptr && count != 0 && watch->moved) watch->moved(count);
}

void tell_written(const CopyWatch* watch, const unsigned char* bytes, std::uint32_t count) {
  if (watch == nullptr || count == 0) return;
  if (watch->saw) watch->saw(bytes, count);
  tell_moved(watch, count);
}

// The bytes the source holds from its position. False, with the error raised, when its size
// cannot be had.
bool source_rest(const FileChannel& source, std::uint64_t& available) {
  ErrorNumber error = 0;
  std::uint64_t source_size = 0;
  rt_os_call(error, [&](FileSystem& fs) { return fs.file_size(source.handle, &source_size); });
  if (error != 0) {
    rt_raise_error(error);
    return false;
  }
  available = source_size > source.position ? source_size - source.position : 0;
  return true;
}

// The kernel copies only what the block loop would have copied whole: all of it when the source
// holds it, else the whole blocks it holds, so that a source that is too short leaves the target
// as the block loop leaves it. Where it stops, the block loop goes on. A watcher hears of the copy
// slice by slice; without one the file system is asked for all of it at once.
void copy_in_kernel(RangeCopy& copy, std::uint64_t available) {
  const std::uint64_t kernel_count =
      available >= copy.count ? copy.count : available - available % copy.block_size;
  const std::uint64_t slice = copy.watch == nullptr ? kernel_count : std::max<std::uint64_t>(copy.watch->slice, 1);
  while (copy.copied < kernel_count) {
    const std::uint64_t asked = std::min(kernel_count - copy.copied, slice);
    ErrorNumber ignored = 0;
    const std::uint64_t done = rt_os_call(ignored, [&](FileSystem& fs) {
      return fs.copy_range(copy.source.handle, copy.target.handle, asked);
    });
    if (done == 0) return;
    copy.source.position += done;
    copy.target.position += done;
    copy.source.flags &= static_cast<std::uint16_t>(~CHANNEL_AT_END);
    copy.copied += done;
    tell_moved(copy.watch, done);
    if (done < asked) return;  // the file system stopped: it is not asked again
  }
}

// The rest in blocks, each one read and one write of the bytes read. Blocks stand where a copy
// of blocks alone puts them, also after a kernel copy that stopped within one. With an exact
// rest the last read asks for one byte more, to find the source's end right behind the bytes
// copied without a read of its own; a source found longer there is not written further.
FileCopyEnd copy_blocks(RangeCopy& copy, TextValue& buffer) {
  while (copy.copied < copy.count) {
    const std::uint64_t to_boundary = copy.block_size - copy.copied % copy.block_size;
    const auto size = static_cast<std::uint32_t>(std::min(copy.count - copy.copied, to_boundary));
    const bool last = copy.copied + size == copy.count;
    const std::uint32_t asked = size + (copy.exact && last ? 1 : 0);
    std::uint32_t moved = 0;
    if (ErrorNumber error = os_transfer(copy.source, Direction::read, buffer.data(), nullptr, asked, moved)) {
      rt_raise_error(error);
      return FileCopyEnd::read_failed;
    }
    if (moved > size) return FileCopyEnd::source_longer;
    if (moved < size || (copy.exact && last)) {
      copy.source.flags |= CHANNEL_AT_END;
      copy.end_seen = true;
      if (moved < size) return FileCopyEnd::source_ended;
    }
    const ErrorNumber error = os_transfer(copy.target, Direction::write, nullptr, buffer.data(), size, moved);
    // Bytes that a failing write still put into the target are heard all the same.
    tell_written(copy.watch, buffer.data(), moved);
    if (error != 0) {
      rt_raise_error(error);
      return FileCopyEnd::write_failed;
    }
    copy.copied += moved;
    if (moved < size) {
      rt_raise_error(ERR_DISK_FULL);
      return FileCopyEnd::write_failed;
    }
  }
  return FileCopyEnd::done;
}

// An exact rest whose end no read has found yet (all of it went inside the file system, or
// nothing was asked for): one read of one byte behind the bytes copied must find the end.
FileCopyEnd check_rest_ended(RangeCopy& copy, TextValue& buffer) {
  std::uint32_t moved = 0;
  if (ErrorNumber error = os_transfer(copy.source, Direction::read, buffer.data(), nullptr, 1, moved)) {
    rt_raise_error(error);
    return FileCopyEnd::read_failed;
  }
  if (moved > 0) return FileCopyEnd::source_longer;
  copy.source.flags |= CHANNEL_AT_END;
  copy.end_seen = true;
  return FileCopyEnd::done;
}

}  // namespace

FileCopyEnd file_copy_range(ChannelNumber from, ChannelNumber to, std::uint64_t count, std::uint32_t block_size,
                            std::uint64_t& copied, SourceRest rest, const CopyWatch* watch) {
  copied = 0;
  FileChannel* source = file_find_channel(from);
  FileChannel* target = source == nullptr ? nullptr : file_find_channel(to);
  if (target == nullptr) return FileCopyEnd::read_failed;
  if (!transfers_allowed(*source) || !transfers_allowed(*target)) {
    rt_raise_error(ERR_BAD_FILE_MODE);
    return FileCopyEnd::read_failed;
  }
  RangeCopy copy{*source, *target, count, block_size, rest == SourceRest::exactly, copied, watch};
  // More than a block goes inside the file system where it can; the source's size says first
  // whether an exact rest is longer than asked, before anything is copied.
  if (count > block_size) {
    std::uint64_t available = 0;
    if (!source_rest(*source, available)) return FileCopyEnd::read_failed;
    if (copy.exact && available > count) return FileCopyEnd::source_longer;
    if (watch == nullptr || !watch->needs_bytes) copy_in_kernel(copy, available);
  }
  if (copied == count && !copy.exact) return FileCopyEnd::done;
  // One buffer of one block, and one byte more for the look behind an exact rest.
  const std::uint64_t block = std::min<std::uint64_t>(std::max<std::uint64_t>(count - copied, 1), block_size);
  TextValue buffer = txt_allocate(static_cast<std::uint32_t>(block) + 1);
  if (buffer.empty()) {
    rt_raise_error(ERR_OUT_OF_MEMORY);
    return FileCopyEnd::read_failed;
  }
  const FileCopyEnd end = copy_blocks(copy, buffer);
  if (end != FileCopyEnd::done || !copy.exact || copy.end_seen) return end;
  return check_rest_ended(copy, buffer);
}

void file_write_text(ChannelNumber channel, const TextValue& text) {
  FileChannel* record = file_find_channel(channel);
  if (record == nullptr) return;
  if (!transfers_allowed(*record)) {
    rt_raise_error(ERR_BAD_FILE_MODE);
    return;
  }
  std::uint32_t moved = 0;
  if (ErrorNumber error = os_transfer(*record, Direction::write, nullptr, text.data(), text.length, moved)) {
    rt_raise_error(error);
    return;
  }
  if (moved < text.length) rt_raise_error(ERR_DISK_FULL);
}

namespace {

// Read at and write at are one operation with a direction: a read fills read_into, a write
// takes write_from, at the given position or the current one.
void transfer_at(ChannelNumber channel, std::optional<std::uint64_t> position, Direction direction,
                 void* read_into, const void* write_from, std::uint32_t size) {
  FileChannel* record = file_find_channel(channel);
  if (record == nullptr) return;
  record->buffer_index = 0;
  record->buffer_count = 0;
  if (!transfers_allowed(*record)) {
    rt_raise_error(ERR_BAD_FILE_MODE);
    return;
  }
  if (position.has_value()) {
    if (ErrorNumber error = move_to(*record, *position)) {
      rt_raise_error(error);
      return;
    }
  }
  std::uint32_t moved = 0;
  if (ErrorNumber error = os_transfer(*record, direction, read_into, write_from, size, moved)) {
    rt_raise_error(error);
    return;
  }
  if (moved >= size) return;
  if (direction == Direction::write) {
    rt_raise_error(ERR_DISK_FULL);
  } else {
    record->flags |= CHANNEL_AT_END;
    std::memset(static_cast<unsigned char*>(read_into) + moved, 0, size - moved);
  }
}

}  // namespace

void file_read_at(ChannelNumber channel, std::optional<std::uint64_t> position, void* variable,
                  std::uint32_t size) {
  transfer_at(channel, position, Direction::read, variable, nullptr, size);
}

void file_write_at(ChannelNumber channel, std::optional<std::uint64_t> position, const void* variable,
                   std::uint32_t size) {
  transfer_at(channel, position, Direction::write, nullptr, variable, size);
}

std::uint64_t file_size(ChannelNumber channel) {
  FileChannel* record = file_find_channel(channel);
  if (record == nullptr) return 0;
  if (record->device_kind == DEVICE_OTHER) return 0;
  ErrorNumber error = 0;
  std::uint64_t size = 0;
  const bool known = rt_os_call(error, [&](FileSystem& fs) { return fs.file_size(record->handle, &size); });
  if (error != 0) {
    rt_raise_error(error);
    return 0;
  }
  return known ? size : 0;
}

std::int32_t file_at_end(ChannelNumber channel) {
  FileChannel* record = file_lookup_channel(channel);
  if (record == nullptr) {
    rt_raise_error(ERR_FILE_NOT_FOUND);
    return 0;
  }
  if ((record->mode & (MODE_OUTPUT | MODE_APPEND)) != 0) return 0;
  return (record->flags & CHANNEL_AT_END) != 0 ? -1 : 0;
}

std::uint64_t file_position(ChannelNumber channel) {
  FileChannel* record = file_lookup_channel(channel);
  if (record == nullptr) {
    rt_raise_error(ERR_FILE_NOT_FOUND);
    return 0;
  }
  if (record->device_kind == DEVICE_OTHER) return 0;
  return record->position + record->position_base;
}

void file_set_end(ChannelNumber channel) {
  FileChannel* record = file_find_channel(channel);
  if (record == nullptr) return;
  if (!transfers_allowed(*record) || record->device_kind != DEVICE_DISK) {
    rt_raise_error(ERR_BAD_FILE_MODE);
    return;
  }
  // The file pointer is where the counter says; placing it again costs nothing and makes sure
  // the file ends exactly there.
  const bool placed = rt_os_step(ERR_BAD_POSITION, [&](FileSystem& fs) {
    return fs.seek(record->handle, static_cast<std::int64_t>(record->position), FS_BEGIN, nullptr);
  });
  if (placed) rt_os_step(ERR_DISK_FULL, [&](FileSystem& fs) { return fs.set_end_of_file(record->handle); });
}

void file_rename(const TextValue& from, const TextValue& to) {
  SpinGuard name_guard(file_state.file_name_lock);
  std::string from_name;
  std::string to_name;
  if (!file_os_name(from, from_name) || !file_os_name(to, to_name)) {
    rt_raise_error(ERR_BAD_FILE_NAME);
    return;
  }
  rt_os_step(ERR_ACCESS_ERROR, [&](FileSystem& fs) { return fs.rename(from_name.c_str(), to_name.c_str()); });
}

void file_remove(const TextValue& name) {
  SpinGuard name_guard(file_state.file_name_lock);
  std::string os_name;
  if (!file_os_name(name, os_name)) {
    rt_raise_error(ERR_BAD_FILE_NAME);
    return;
  }
  rt_os_step(ERR_ACCESS_ERROR, [&](FileSystem& fs) { return fs.remove(os_name.c_str()); });
}

void file_remove_stale(const TextValue& name) {
  SpinGuard name_guard(file_state.file_name_lock);
  std::string os_name;
  if (!file_os_name(name, os_name)) return;
  ErrorNumber ignored = 0;
  rt_os_call(ignored, [&](FileSystem& fs) { return fs.remove_stale(os_name.c_str()); });
}

void file_flush(ChannelNumber channel) {
  FileChannel* record = file_find_channel(channel);
  if (record == nullptr) return;
  rt_os_step(ERR_DEVICE_IO, [&](FileSystem& fs) { return fs.flush(record->handle); });
}

void file_flush_written() {
  rt_os_step(ERR_DEVICE_IO, [&](FileSystem& fs) { return fs.flush_written(); });
}

void file_flush_directory(const TextValue& name) {
  SpinGuard name_guard(file_state.file_name_lock);
  std::string os_name;
  if (!file_os_name(name, os_name)) {
    rt_raise_error(ERR_BAD_FILE_NAME);
    return;
  }
  rt_os_step(ERR_DEVICE_IO, [&](FileSystem& fs) { return fs.flush_directory(os_name.c_str()); });
}

void file_keep_outputs() {
  ErrorNumber ignored = 0;
  rt_os_call(ignored, [&](FileSystem& fs) {
    fs.keep_temporaries();
    return true;
  });
}
