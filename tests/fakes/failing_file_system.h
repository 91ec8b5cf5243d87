// A file system for tests: the real one of this system, with failures injected on demand, and
// a count of the calls that reached it. With nothing injected every call passes through.
//
//   FailingFileSystem files;              // wraps process_file_system()
//   rt_state.file_system = &files;
//   files.fail_open_of("piece.3", 5);     // every open of a name holding "piece.3": access denied
//   files.short_write_after(2);           // writes 3, 4, ... move half their bytes: disk full
//   files.fail_read_after(0);             // every read fails (read fault), moving nothing
//   files.short_write_to("DATA.2", 1);    // the second and later writes to DATA.2 come up short
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

enum class FsCall : std::uint8_t {
  create, file_type, seek, set_end, read, write, size, close, find_first, find_next, find_close,
  rename, remove, copy_permissions, names_open_file, mark_temporary, copy_range, flush, flush_written,
  flush_directory,
  count_  // number of kinds
};

class FailingFileSystem : public FileSystem {
 public:
  FailingFileSystem();  // over process_file_system()
  explicit FailingFileSystem(FileSystem& real) : real_(real) {}

  // --- what a test injects ----------------------------------------------------------------
  // Every open of a name that holds the part fails with the code (0 or a code of 40 and more
  // make it a failure with no reported code).
  void fail_open_of(std::string name_part, std::uint32_t code);
  // Opens of a name that holds the part fail with 5 (access denied) when they ask for write
  // access, and succeed read-only: a read-only file, for a test that runs as root.
  void refuse_write_access_to(std::string name_part);
  // After `writes` more writes, every write moves only half its bytes and leaves the code
  // (a full disk unless given).
  void short_write_after(int writes, std::uint32_t code = FS_ERROR_DISK_FULL);
  // After `reads` more reads, every read fails with the code and moves nothing.
  void fail_read_after(int reads, std::uint32_t code = FS_ERROR_READ_FAULT);
  // The close of a file opened under a name that holds the part fails with the code (the file is
  // closed all the same): a write that never reached the disk, as NFS reports it.
  void fail_close_of(std::string name_part, std::uint32_t code);
  // The same for the files opened under a name that holds the part: after `writes` more
  // writes to them, and after `reads` more reads from them.
  void short_write_to(std::string name_part, int writes = 0, std::uint32_t code = FS_ERROR_DISK_FULL);
  void fail_read_of(std::string name_part, int reads = 0, std::uint32_t code = FS_ERROR_READ_FAULT);
  // Searches report entries whose name holds the part with these attributes (hidden files and
  // volume labels, which this system's file system does not have).
  void report_attributes_of(std::string name_part, std::uint32_t attributes);
  // After `successes` more calls of the kind, every one fails with the code and does nothing
  // (a failing close still closes, as a handle is gone after CloseHandle whatever it says).
  void fail_call_after(FsCall call, int successes, std::uint32_t code);
  // Copies within the system go to the real file system, which copies up to `bytes` in all and
  // then no more: a copy the kernel stops early, or (0) one it declines. Without this, the fake
  // copies nothing within the system, as a system without such a copy.
  void pass_copies(std::uint64_t bytes = ~std::uint64_t{0});
  // Runs the action once, just before the first open (FsCall::create) of a name that holds the
  // part, or the first read (FsCall::read) from a file opened under such a name: a file that
  // changes under the program.
  void run_before(FsCall call, std::string name_part, std::function<void()> action);
  // Everything passes through again; the counts start from zero.
  void reset();

  // --- what a test looks at ---------------------------------------------------------------
  int calls(FsCall call) const { return calls_[static_cast<std::size_t>(call)]; }
  // Every name that create_file was given, in order.
  const std::vector<std::string>& opened_names() const { return opened_names_; }

  // --- FileSystem -------------------------------------------------------------------------
  FileHandle create_file(const char* name, std::uint32_t desired_access, std::uint32_t share_mode,
                         std::uint32_t creation_disposition) override;
  std::uint32_t file_type(FileHandle handle) override;
  bool seek(FileHandle handle, std::int64_t distance, std::uint32_t origin, std::uint64_t* new_position) override;
  bool set_end_of_file(FileHandle handle) override;
  bool read(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t* moved) override;
  bool write(FileHandle handle, const void* buffer, std::uint32_t count, std::uint32_t* moved) override;
  std::uint64_t copy_range(FileHandle from, FileHandle to, std::uint64_t count) override;
  bool file_size(FileHandle handle, std::uint64_t* size) override;
  bool close(FileHandle handle) override;
  FindHandle find_first(const char* pattern, FindData& data) override;
  bool find_next(FindHandle handle, FindData& data) override;
  bool find_close(FindHandle handle) override;
  bool rename(const char* from, const char* to) override;
  bool remove(const char* name) override;
  bool remove_stale(const char* name) override { return real_.remove_stale(name); }
  bool exists_as_made(const char* name) override { return real_.exists_as_made(name); }
  FileHandle standard_stream(std::uint32_t which) override { return real_.standard_stream(which); }
  bool copy_permissions(FileHandle model, FileHandle target) override;
  bool names_open_file(FileHandle handle, const char* name) override;
  bool mark_temporary(FileHandle handle) override;
  std::uint32_t set_error_mode(std::uint32_t mode) override { return real_.set_error_mode(mode); }
  std::uint32_t last_error() override { return real_.last_error(); }
  std::string last_error_reason() override;
  void set_last_error(std::uint32_t code) override {
    injected_ = false;
    real_.set_last_error(code);
  }
  void keep_temporaries() override { real_.keep_temporaries(); }
  void hold_endings(bool held) override { real_.hold_endings(held); }
  bool flush(FileHandle handle) override;
  bool flush_written() override;
  bool flush_directory(const char* name) override;

 private:
  struct Injection {
    bool armed = false;
    int successes = 0;
    std::uint32_t code = 0;
  };
  struct NameRule {
    std::string part;
    std::uint32_t code;
    bool write_only;
  };
  // A failure of the transfers on the files of one name.
  struct TransferRule {
    std::string part;
    int successes;
    std::uint32_t code;
  };
  // Counts the call; true when it is to fail (and the code is set as the last error).
  bool count_and_check(FsCall call);
  // Leaves the code of an injected failure, whose reason is then the injector's own.
  void inject_code(std::uint32_t code);
  bool injected_ = false;
  struct Action {
    FsCall call;
    std::string part;
    std::function<void()> action;
  };
  // Runs (and forgets) the first action for the call whose part the name holds.
  void run_actions(FsCall call, const std::string& name);
  // True when a rule for the handle's name says this transfer is to fail.
  bool transfer_fails(std::vector<TransferRule>& rules, FileHandle handle, std::uint32_t& code);
  void apply_attributes(FindData& data) const;

  FileSystem& real_;
  std::array<int, static_cast<std::size_t>(FsCall::count_)> calls_{};
  std::array<Injection, static_cast<std::size_t>(FsCall::count_)> injections_{};
  std::vector<NameRule> name_rules_;
  std::vector<NameRule> close_rules_;
  bool short_writes_ = false;
  int writes_left_ = 0;
  std::uint32_t short_write_code_ = 0;
  std::vector<std::string> opened_names_;
  std::vector<TransferRule> write_rules_;
  std::vector<TransferRule> read_rules_;
  std::vector<std::pair<std::string, std::uint32_t>> attribute_rules_;
  std::map<FileHandle, std::string> handle_names_;  // the name each open handle was opened by
  std::vector<Action> actions_;
  bool copies_pass_ = false;
  std::uint64_t copy_bytes_left_ = 0;
};
