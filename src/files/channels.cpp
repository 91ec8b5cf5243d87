#include "files/channels.h"

#include <new>

#include "files/dir_search.h"
#include "files/channel_table.h"
#include "files/file_state.h"
#include "frame/os_call.h"
#include "frame/runtime_state.h"
#include "platform/path_rules.h"

namespace {

// Walks the list; the caller holds channel_list_lock.
FileChannel* find_locked(ChannelNumber channel) {
  for (FileChannel* record = file_state.channel_list; record != nullptr; record = record->next) {
    if (record->number == channel) return record;
  }
  return nullptr;
}

// Takes the record out of the list; the caller holds channel_list_lock.
void unlink_locked(FileChannel* record) {
  for (FileChannel** link = &file_state.channel_list; *link != nullptr; link = &(*link)->next) {
    if (*link == record) {
      *link = record->next;
      return;
    }
  }
}

// The record and its buffer in one allocation, every field zero.
FileChannel* allocate_record(std::uint32_t buffer_size) {
  void* memory = ::operator new(sizeof(FileChannel) + buffer_size, std::nothrow);
  if (memory == nullptr) return nullptr;
  auto* record = new (memory) FileChannel{};
  record->buffer = reinterpret_cast<unsigned char*>(record + 1);
  return record;
}

void release_record(FileChannel* record) { ::operator delete(record); }

void close_quietly(FileHandle handle) {
  ErrorNumber ignored = 0;
  rt_os_call(ignored, [&](FileSystem& fs) { return fs.close(handle); });
}

ErrorNumber seek_to(FileHandle handle, std::uint32_t origin, std::uint64_t* new_position) {
  ErrorNumber error = 0;
  rt_os_call(error, [&](FileSystem& fs) { return fs.seek(handle, 0, origin, new_position); });
  return error;
}

void hold_endings(bool held) {
  ErrorNumber ignored = 0;
  rt_os_call(ignored, [&](FileSystem& fs) {
    fs.hold_endings(held);
    return true;
  });
}

// Whether the open finds the file or makes it.
std::uint32_t disposition_of(const OpenRequest& request) {
  switch (request.creation) {
    case FileCreation::existing: return FS_OPEN_EXISTING;
    case FileCreation::existing_plain: return FS_OPEN_EXISTING_PLAIN;
    case FileCreation::output:
    case FileCreation::replace: return FS_CREATE_ALWAYS;
    case FileCreation::temporary: return FS_CREATE_NEW;
    case FileCreation::by_mode: break;
  }
  return (request.mode & MODE_INPUT) != 0 ? FS_OPEN_EXISTING : FS_OPEN_ALWAYS;
}

// CreateFile with the access, share mode and disposition that the request asks for; a failure
// with write access is tried once more without it unless the mode forbids. On success the
// record gets the handle and the access byte that worked.
ErrorNumber create_handle(FileChannel* record, const std::string& os_name, const OpenRequest& request) {
  std::uint8_t access = request.access;
  const std::uint32_t disposition = disposition_of(request);
  bool retried = false;
  while (true) {
    const std::uint32_t desired = ((access & ACCESS_READ) != 0 ? FS_GENERIC_READ : 0) |
                                  ((access & ACCESS_WRITE) != 0 ? FS_GENERIC_WRITE : 0);
    // Share codes 1..4 give share modes 0..3; code 0 gives a mode the file system refuses.
    const std::uint32_t share = static_cast<std::uint32_t>(access & 0x07) - 1u;
    ErrorNumber error = 0;
    std::uint32_t code = 0;
    // A file that goes when a signal ends the run is made and marked with those signals held back.
    const bool removed_if_ended = request.creation == FileCreation::temporary || request.creation == FileCreation::output;
    if (removed_if_ended) hold_endings(true);
    FileHandle handle = rt_os_call(error, [&](FileSystem& fs) {
      FileHandle made = fs.create_file(os_name.c_str(), desired, share, disposition);
      code = fs.last_error();
      return made;
    });
    const bool opened = handle != FS_INVALID_HANDLE && handle != nullptr;
    if (error == 0 && opened && removed_if_ended) {
      rt_os_call(error, [&](FileSystem& fs) { return fs.mark_temporary(handle); });
      if (error != 0) {
        close_quietly(handle);
        ErrorNumber ignored = 0;
        rt_os_call(ignored, [&](FileSystem& fs) { return fs.remove(os_name.c_str()); });
        hold_endings(false);
        return error;
      }
    }
    if (removed_if_ended) hold_endings(false);
    if (error == 0 && opened) {
      record->handle = handle;
      record->access = access;
      return 0;
    }
    // A handle that came with a reported failure is not kept.
    if (opened) close_quietly(handle);
    if (error == 0) {
      // A name that is taken is not a bad name: the caller may try another.
      const bool taken = code == FS_ERROR_FILE_EXISTS || code == FS_ERROR_ALREADY_EXISTS;
      error = taken && disposition == FS_CREATE_NEW ? ERR_FILE_EXISTS : ERR_BAD_FILE_NAME;
    }
    if (retried || (access & ACCESS_WRITE) == 0 || (request.mode & MODE_NO_FALLBACK) != 0) return error;
    access = static_cast<std::uint8_t>(access & ~ACCESS_WRITE);
    retried = true;
  }
}

// Places the file pointer (and the position counter) as the mode asks.
ErrorNumber position_by_mode(FileChannel* record) {
  FileHandle handle = record->handle;
  switch (file_channel_kind(record->mode)) {
    case ChannelKind::output: {
      if (ErrorNumber error = seek_to(handle, FS_BEGIN, nullptr)) return error;
      ErrorNumber error = 0;
      rt_os_call(error, [&](FileSystem& fs) { return fs.set_end_of_file(handle); });
      return error;
    }
    case ChannelKind::append: {
      if (record->device_kind != DEVICE_DISK) return ERR_BAD_FILE_MODE;
      std::uint64_t end = 0;
      if (ErrorNumber error = seek_to(handle, FS_END, &end)) return error;
      record->position = end;
      return 0;
    }
    case ChannelKind::record:
      // Base 0 makes the counter 0xFFFFFFFF: the first transfer moves on to record 0.
      record->position = static_cast<std::uint32_t>(record->position_base - 1u);
      return seek_to(handle, FS_BEGIN, nullptr);
    case ChannelKind::input: {
      if (ErrorNumber error = seek_to(handle, FS_BEGIN, nullptr)) return error;
      if (record->device_kind != DEVICE_DISK) return 0;
      ErrorNumber error = 0;
      std::uint32_t moved = 0;
      rt_os_call(error, [&](FileSystem& fs) {
        return fs.read(handle, record->buffer, record->record_length, &moved);
      });
      record->last_count = moved;
      record->buffer_count = moved;
      return error;
    }
    case ChannelKind::binary:
      break;
  }
  // A file just opened stands at its first byte already.
  return 0;
}

}  // namespace

ChannelKind file_channel_kind(std::uint8_t mode) {
  if ((mode & ~MODE_NO_FALLBACK) == MODE_OUTPUT) return ChannelKind::output;
  if ((mode & MODE_APPEND) != 0) return ChannelKind::append;
  if ((mode & MODE_RECORD) != 0) return ChannelKind::record;
  if ((mode & MODE_INPUT) != 0) return ChannelKind::input;
  return ChannelKind::binary;
}

bool file_os_name(const TextValue& name, std::string& os_name) {
  // Whole, however long: the file system refuses a name beyond its limits, where a shortened
  // one would name another file.
  os_name.assign(txt_view(name));
  if (os_name.empty()) return false;
  if (os_name.find_first_of(std::string_view("*?\0", 3)) != std::string::npos) return false;
  return name_text_holdable(os_name);
}

void file_open(ChannelNumber channel, const TextValue& name, const OpenRequest& request) {
  FilesState& files = file_state;
  SpinGuard name_guard(files.file_name_lock);

  std::string os_name;
  if (!file_os_name(name, os_name)) {
    rt_raise_error(ERR_BAD_FILE_NAME);
    return;
  }
  const ChannelKind kind = file_channel_kind(request.mode);
  const std::int32_t record_length =
      kind == ChannelKind::input || kind == ChannelKind::record ? request.record_length : 1;
  if (record_length < 1) {
    rt_raise_error(ERR_BAD_ARGUMENT);
    return;
  }
  if (file_lookup_channel(channel) != nullptr) {
    rt_raise_error(ERR_CHANNEL_IN_USE);
    return;
  }

  FileChannel* record = allocate_record(static_cast<std::uint32_t>(record_length));
  if (record == nullptr) {
    rt_raise_error(ERR_OUT_OF_MEMORY);
    return;
  }
  {
    // Linking at the head of a list cannot fail, so 242 never arises here.
    SpinGuard list_guard(files.channel_list_lock);
    record->next = files.channel_list;
    files.channel_list = record;
  }

  ErrorNumber error = create_handle(record, os_name, request);
  if (error == 0) {
    record->device_kind = DEVICE_DISK;
    record->flags = CHANNEL_OPEN;
    record->mode = request.mode;
    record->number = channel;
    record->record_length = static_cast<std::uint32_t>(record_length);
    record->position_base = request.position_base;
    ErrorNumber ignored = 0;
    const std::uint32_t type =
        rt_os_call(ignored, [&](FileSystem& fs) { return fs.file_type(record->handle); });
    if (type != FS_TYPE_DISK) record->device_kind = DEVICE_OTHER;
    error = position_by_mode(record);
  }
  if (error != 0) {
    {
      SpinGuard list_guard(files.channel_list_lock);
      unlink_locked(record);
    }
    if (record->handle != nullptr) close_quietly(record->handle);
    release_record(record);
    rt_raise_error(error);
  }
}

void file_open_standard(ChannelNumber channel, StandardFile which) {
  FilesState& files = file_state;
  if (file_lookup_channel(channel) != nullptr) {
    rt_raise_error(ERR_CHANNEL_IN_USE);
    return;
  }
  ErrorNumber error = 0;
  FileHandle handle = rt_os_call(error, [&](FileSystem& fs) {
    return fs.standard_stream(which == StandardFile::input ? FS_STANDARD_INPUT : FS_STANDARD_OUTPUT);
  });
  if (error == 0 && (handle == FS_INVALID_HANDLE || handle == nullptr)) error = ERR_BAD_FILE_NAME;
  FileChannel* record = error == 0 ? allocate_record(1) : nullptr;
  if (error == 0 && record == nullptr) {
    close_quietly(handle);
    error = ERR_OUT_OF_MEMORY;
  }
  if (error != 0) {
    rt_raise_error(error);
    return;
  }
  record->handle = handle;
  record->access = which == StandardFile::input ? ACCESS_READ : ACCESS_WRITE;
  record->device_kind = DEVICE_DISK;
  record->flags = CHANNEL_OPEN;
  record->mode = MODE_BINARY;
  record->number = channel;
  record->record_length = 1;
  record->position_base = 1;
  ErrorNumber ignored = 0;
  if (rt_os_call(ignored, [&](FileSystem& fs) { return fs.file_type(handle); }) != FS_TYPE_DISK) {
    record->device_kind = DEVICE_OTHER;
  }
  SpinGuard list_guard(files.channel_list_lock);
  record->next = files.channel_list;
  files.channel_list = record;
}

void file_close(ChannelNumber channel) {
  FilesState& files = file_state;
  FileChannel* record = nullptr;
  {
    SpinGuard list_guard(files.channel_list_lock);
    record = find_locked(channel);
    if (record == nullptr) return;
    unlink_locked(record);
  }
  ErrorNumber first = 0;
  ErrorNumber error = 0;
  if ((record->mode & MODE_OUTPUT) != 0) {
    rt_os_call(error, [&](FileSystem& fs) { return fs.set_end_of_file(record->handle); });
    first = error;
  }
  rt_os_call(error, [&](FileSystem& fs) { return fs.close(record->handle); });
  if (first == 0) first = error;
  release_record(record);
  if (first != 0) rt_raise_error(first);
}

void file_close_all() {
  while (file_state.channel_list != nullptr) file_close(file_state.channel_list->number);
}

void file_reset() {
  file_close_all();
  dir_search_end();
}

void file_copy_permissions(ChannelNumber model, ChannelNumber target) {
  FileChannel* from = file_find_channel(model);
  FileChannel* to = from == nullptr ? nullptr : file_find_channel(target);
  if (to == nullptr) return;
  rt_os_step(ERR_ACCESS_ERROR, [&](FileSystem& fs) { return fs.copy_permissions(from->handle, to->handle); });
}

bool file_names_open_file(const TextValue& name, ChannelNumber channel) {
  FileChannel* record = file_lookup_channel(channel);
  std::string os_name;
  if (record == nullptr || !file_os_name(name, os_name)) return false;
  ErrorNumber ignored = 0;
  return rt_os_call(ignored, [&](FileSystem& fs) { return fs.names_open_file(record->handle, os_name.c_str()); });
}

ChannelNumber file_free_channel() {
  for (ChannelNumber channel = 1; channel < INT16_MAX; ++channel) {
    if (file_lookup_channel(channel) == nullptr) return channel;
  }
  return INT16_MAX;
}

FileChannel* file_lookup_channel(ChannelNumber channel) {
  SpinGuard list_guard(file_state.channel_list_lock);
  return find_locked(channel);
}

FileChannel* file_find_channel(ChannelNumber channel) {
  FileChannel* record = file_lookup_channel(channel);
  if (record == nullptr) rt_raise_error(ERR_BAD_CHANNEL);
  return record;
}
