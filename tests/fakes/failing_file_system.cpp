#include "fakes/failing_file_system.h"

#include <algorithm>

#include "platform/process.h"

FailingFileSystem::FailingFileSystem() : FailingFileSystem(process_file_system()) {}

void FailingFileSystem::fail_open_of(std::string name_part, std::uint32_t code) {
  name_rules_.push_back(NameRule{std::move(name_part), code, false});
}

void FailingFileSystem::refuse_write_access_to(std::string name_part) {
  name_rules_.push_back(NameRule{std::move(name_part), FS_ERROR_ACCESS_DENIED, true});
}

void FailingFileSystem::short_write_after(int writes, std::uint32_t code) {
  short_writes_ = true;
  writes_left_ = writes;
  short_write_code_ = code;
}

void FailingFileSystem::fail_read_after(int reads, std::uint32_t code) {
  fail_call_after(FsCall::read, reads, code);
}

void FailingFileSystem::fail_close_of(std::string name_part, std::uint32_t code) {
  close_rules_.push_back(NameRule{std::move(name_part), code, false});
}

void FailingFileSystem::short_write_to(std::string name_part, int writes, std::uint32_t code) {
  write_rules_.push_back(TransferRule{std::move(name_part), writes, code});
}

void FailingFileSystem::fail_read_of(std::string name_part, int reads, std::uint32_t code) {
  read_rules_.push_back(TransferRule{std::move(name_part), reads, code});
}

void FailingFileSystem::report_attributes_of(std::string name_part, std::uint32_t attributes) {
  attribute_rules_.emplace_back(std::move(name_part), attributes);
}

void FailingFileSystem::apply_attributes(FindData& data) const {
  for (const auto& [part, attributes] : attribute_rules_) {
    if (data.name.find(part) != std::string::npos) data.attributes = attributes;
  }
}

void FailingFileSystem::fail_call_after(FsCall call, int successes, std::uint32_t code) {
  injections_[static_cast<std::size_t>(call)] = Injection{true, successes, code};
}

void FailingFileSystem::run_before(FsCall call, std::string name_part, std::function<void()> action) {
  actions_.push_back(Action{call, std::move(name_part), std::move(action)});
}

void FailingFileSystem::run_actions(FsCall call, const std::string& name) {
  for (auto it = actions_.begin(); it != actions_.end(); ++it) {
    if (it->call != call || name.find(it->part) == std::string::npos) continue;
    const std::function<void()> action = std::move(it->action);
    actions_.erase(it);
    action();
    return;
  }
}

void FailingFileSystem::pass_copies(std::uint64_t bytes) {
  copies_pass_ = true;
  copy_bytes_left_ = bytes;
}

void FailingFileSystem::reset() {
  copies_pass_ = false;
  copy_bytes_left_ = 0;
  actions_.clear();
  calls_ = {};
  injections_ = {};
  name_rules_.clear();
  close_rules_.clear();
  short_writes_ = false;
  opened_names_.clear();
  write_rules_.clear();
  read_rules_.clear();
  attribute_rules_.clear();
}

void FailingFileSystem::inject_code(std::uint32_t code) {
  real_.set_last_error(code);
  injected_ = true;
}

std::string FailingFileSystem::last_error_reason() {
  if (!injected_) return real_.last_error_reason();
  // The words a POSIX system has for the codes that tests inject.
  switch (real_.last_error()) {
    case FS_ERROR_DISK_FULL: return "No space left on device";
    case FS_ERROR_INVALID_PARAMETER: return "Invalid argument";
    case FS_ERROR_ACCESS_DENIED: return "Permission denied";
    case FS_ERROR_READ_FAULT:
    case FS_ERROR_WRITE_FAULT: return "Input/output error";
    default: return {};
  }
}

bool FailingFileSystem::flush(FileHandle handle) {
  if (count_and_check(FsCall::flush)) return false;
  return real_.flush(handle);
}

bool FailingFileSystem::flush_written() {
  if (count_and_check(FsCall::flush_written)) return false;
  return real_.flush_written();
}

bool FailingFileSystem::flush_directory(const char* name) {
  if (count_and_check(FsCall::flush_directory)) return false;
  return real_.flush_directory(name);
}

bool FailingFileSystem::count_and_check(FsCall call) {
  const auto index = static_cast<std::size_t>(call);
  ++calls_[index];
  Injection& injection = injections_[index];
  if (!injection.armed) return false;
  if (injection.successes > 0) {
    --injection.successes;
    return false;
  }
  inject_code(injection.code);
  return true;
}

bool FailingFileSystem::transfer_fails(std::vector<TransferRule>& rules, FileHandle handle, std::uint32_t& code) {
  const auto named = handle_names_.find(handle);
  if (named == handle_names_.end()) return false;
  bool fails = false;
  for (TransferRule& rule : rules) {
    if (named->second.find(rule.part) == std::string::npos) continue;
    if (rule.successes > 0) {
      --rule.successes;
    } else if (!fails) {
      fails = true;
      code = rule.code;
    }
  }
  return fails;
}

FileHandle FailingFileSystem::create_file(const char* name, std::uint32_t desired_access, std::uint32_t share_mode,
                                          std::uint32_t creation_disposition) {
  opened_names_.emplace_back(name);
  const std::string text(name);
  run_actions(FsCall::create, text);
  if (count_and_check(FsCall::create)) return FS_INVALID_HANDLE;
  for (const NameRule& rule : name_rules_) {
    if (text.find(rule.part) == std::string::npos) continue;
    if (rule.write_only && (desired_access & FS_GENERIC_WRITE) == 0) continue;
    inject_code(rule.code);
    return FS_INVALID_HANDLE;
  }
  FileHandle handle = real_.create_file(name, desired_access, share_mode, creation_disposition);
  if (handle != FS_INVALID_HANDLE) handle_names_[handle] = text;
  return handle;
}

std::uint32_t FailingFileSystem::file_type(FileHandle handle) {
  if (count_and_check(FsCall::file_type)) return FS_TYPE_UNKNOWN;
  return real_.file_type(handle);
}

bool FailingFileSystem::seek(FileHandle handle, std::int64_t distance, std::uint32_t origin,
                             std::uint64_t* new_position) {
  if (count_and_check(FsCall::seek)) return false;
  return real_.seek(handle, distance, origin, new_position);
}

bool FailingFileSystem::set_end_of_file(FileHandle handle) {
  if (count_and_check(FsCall::set_end)) return false;
  return real_.set_end_of_file(handle);
}

bool FailingFileSystem::read(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t* moved) {
  std::uint32_t code = 0;
  if (const auto named = handle_names_.find(handle); named != handle_names_.end()) {
    run_actions(FsCall::read, named->second);
  }
  if (count_and_check(FsCall::read)) {
    if (moved != nullptr) *moved = 0;
    return false;
  }
  if (transfer_fails(read_rules_, handle, code)) {
    if (moved != nullptr) *moved = 0;
    inject_code(code);
    return false;
  }
  return real_.read(handle, buffer, count, moved);
}

bool FailingFileSystem::write(FileHandle handle, const void* buffer, std::uint32_t count, std::uint32_t* moved) {
  if (count_and_check(FsCall::write)) {
    if (moved != nullptr) *moved = 0;
    return false;
  }
  std::uint32_t code = 0;
  bool short_write = transfer_fails(write_rules_, handle, code);
  if (short_writes_) {
    if (writes_left_ > 0) {
      --writes_left_;
    } else if (!short_write) {
      short_write = true;
      code = short_write_code_;
    }
  }
  if (short_write) {
    real_.write(handle, buffer, count / 2, moved);
    inject_code(code);
    return false;
  }
  return real_.write(handle, buffer, count, moved);
}

std::uint64_t FailingFileSystem::copy_range(FileHandle from, FileHandle to, std::uint64_t count) {
  ++calls_[static_cast<std::size_t>(FsCall::copy_range)];
  if (!copies_pass_) return 0;
  const std::uint64_t copied = real_.copy_range(from, to, std::min(count, copy_bytes_left_));
  copy_bytes_left_ -= copied;
  return copied;
}

bool FailingFileSystem::file_size(FileHandle handle, std::uint64_t* size) {
  if (count_and_check(FsCall::size)) return false;
  return real_.file_size(handle, size);
}

bool FailingFileSystem::close(FileHandle handle) {
  std::uint32_t rule_code = 0;
  for (const NameRule& rule : close_rules_) {
    const auto named = handle_names_.find(handle);
    if (named != handle_names_.end() && named->second.find(rule.part) != std::string::npos) rule_code = rule.code;
  }
  handle_names_.erase(handle);
  if (rule_code != 0) {
    ++calls_[static_cast<std::size_t>(FsCall::close)];
    real_.close(handle);
    inject_code(rule_code);
    return false;
  }
  if (count_and_check(FsCall::close)) {
    const std::uint32_t code = real_.last_error();
    real_.close(handle);
    inject_code(code);
    return false;
  }
  return real_.close(handle);
}

FindHandle FailingFileSystem::find_first(const char* pattern, FindData& data) {
  if (count_and_check(FsCall::find_first)) return FS_INVALID_HANDLE;
  FindHandle handle = real_.find_first(pattern, data);
  if (handle != FS_INVALID_HANDLE) apply_attributes(data);
  return handle;
}

bool FailingFileSystem::find_next(FindHandle handle, FindData& data) {
  if (count_and_check(FsCall::find_next)) return false;
  if (!real_.find_next(handle, data)) return false;
  apply_attributes(data);
  return true;
}

bool FailingFileSystem::find_close(FindHandle handle) {
  if (count_and_check(FsCall::find_close)) {
    const std::uint32_t code = real_.last_error();
    real_.find_close(handle);
    inject_code(code);
    return false;
  }
  return real_.find_close(handle);
}

bool FailingFileSystem::rename(const char* from, const char* to) {
  if (count_and_check(FsCall::rename)) return false;
  return real_.rename(from, to);
}

bool FailingFileSystem::remove(const char* name) {
  if (count_and_check(FsCall::remove)) return false;
  return real_.remove(name);
}

bool FailingFileSystem::copy_permissions(FileHandle model, FileHandle target) {
  if (count_and_check(FsCall::copy_permissions)) return false;
  return real_.copy_permissions(model, target);
}

bool FailingFileSystem::names_open_file(FileHandle handle, const char* name) {
  if (count_and_check(FsCall::names_open_file)) return false;
  return real_.names_open_file(handle, name);
}

bool FailingFileSystem::mark_temporary(FileHandle handle) {
  if (count_and_check(FsCall::mark_temporary)) return false;
  return real_.mark_temporary(handle);
}
