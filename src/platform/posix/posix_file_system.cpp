#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/directory_names.h"
#include "platform/posix/directory_scan.h"
#include "platform/posix/disk_flush.h"
#include "platform/posix/exit_cleanup.h"
#include "platform/posix/name_lookup.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_search.h"
#include "platform/text_forms.h"

namespace {

bool is_symbolic_link(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// The umask, read once: the program never changes it, and reading it means setting it twice.
mode_t current_umask() {
  static const mode_t mask = [] {
    const mode_t read = ::umask(0);
    ::umask(read);
    return read;
  }();
  return mask;
}

// ---- open files and searches -------------------------------------------------------------------

struct OpenFile {
  std::string path;  // UTF-8, as it was opened
  int descriptor = -1;
  dev_t device = 0;
  ino_t inode = 0;
  bool readable = false;
  bool writable = false;
  std::uint32_t share = 0;
  bool disk = false;  // a regular file or block device: transfers are done whole
  mode_t kind = 0;    // the file-type bits, which an open descriptor keeps for its life
  mode_t permissions = 0;  // the permission bits as they were at the open, or as this program set them
  std::uint64_t unsent = 0;  // bytes written since the disk was last asked to start on them
};

// How much a file takes in before the disk is asked to start writing it: the writes of a large
// file reach the disk as they go, as a full page cache would make them anyway, and the flush at
// the end waits for little.
constexpr std::uint64_t WRITEBACK_STEP = std::uint64_t{8} << 20;

// From this size on, a file opened to be read is read ahead further (a piece of a set, a file to
// split), not a small piece, for which the call would cost more than it gives.
constexpr off_t SEQUENTIAL_READ_SIZE = off_t{1} << 20;

void note_unsent(OpenFile& file, std::uint64_t written) {
  file.unsent += written;
  if (file.unsent < WRITEBACK_STEP || !S_ISREG(file.kind)) return;
  start_writeback(file.descriptor);
  file.unsent = 0;
}

// Whether an open with this access and share mode may stand beside an open that exists.
bool shares_with(const OpenFile& open, bool readable, bool writable, std::uint32_t share) {
  if (readable && (open.share & FS_SHARE_READ) == 0) return false;
  if (writable && (open.share & FS_SHARE_WRITE) == 0) return false;
  if (open.readable && (share & FS_SHARE_READ) == 0) return false;
  if (open.writable && (share & FS_SHARE_WRITE) == 0) return false;
  return true;
}

// ---- opens -------------------------------------------------------------------------------------

// One open as create_file goes through it: what was asked, and the file found or made.
struct OpenAttempt {
  bool readable = false;
  bool writable = false;
  std::uint32_t share = 0;
  std::uint32_t disposition = 0;
  int flags = 0;           // of open(2)
  std::string path;        // UTF-8, as it was opened
  bool existed = false;    // the file was there before the open
  int found = -1;          // resolve_name's answer, when the name was looked up case-blind
  int descriptor = -1;
  struct stat info{};      // of the open file
};

// Whether the share mode and the disposition are known, the disposition can be carried out with
// the access asked for, and there is a name.
bool request_is_valid(const char* name, const OpenAttempt& open) {
  return (open.share & ~(FS_SHARE_READ | FS_SHARE_WRITE)) == 0 && open.disposition >= FS_CREATE_NEW &&
         open.disposition <= FS_OPEN_EXISTING_PLAIN &&
         (open.disposition != FS_TRUNCATE_EXISTING || open.writable) && *name != '\0';
}

int open_flags(const OpenAttempt& open) {
  // Devices and FIFOs must not block the open; blocking returns right after it.
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  flags |= open.writable ? (open.readable ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (open.disposition == FS_CREATE_NEW || open.disposition == FS_CREATE_ALWAYS || open.disposition == FS_OPEN_ALWAYS) {
    flags |= O_CREAT;
  }
  // O_EXCL also refuses a link of that name, dangling or not.
  if (open.disposition == FS_CREATE_NEW) flags |= O_EXCL | O_NOFOLLOW;
  // A file made under a name is that name's own: a symbolic link there is replaced, not
  // written through.
  if (open.disposition == FS_CREATE_ALWAYS) flags |= O_NOFOLLOW;
  return flags;
}

// The file of exactly the name, made (or, for FS_CREATE_ALWAYS, the one there opened). Gives 0
// with the descriptor, else the code of the failure.
std::uint32_t make_file(const char* name, OpenAttempt& open) {
  open.path = path_to_make(name);
  if (open.path.empty()) return FS_ERROR_INVALID_NAME;
  // A file made to hold another's data stays private until it is given that file's bits, so
  // no one can open it in between. A new file is the usual case: tried first, it tells at once
  // whether the name was taken.
  open.descriptor = ::open(open.path.c_str(), open.flags | O_EXCL, 0600);
  if (open.descriptor < 0 && errno == EEXIST && open.disposition == FS_CREATE_ALWAYS) {
    open.existed = true;
    open.descriptor = ::open(open.path.c_str(), open.flags, 0600);
    if (open.descriptor < 0 && errno == ELOOP && is_symbolic_link(open.path) && ::unlink(open.path.c_str()) == 0) {
      open.existed = false;
      open.descriptor = ::open(open.path.c_str(), open.flags, 0600);
    }
  }
  return open.descriptor < 0 ? fs_code_for_path(errno, open.path) : 0;
}

// The file that the name gives, which may differ from it in case, opened (or, with O_CREAT,
// made when there is none). Gives 0 with the descriptor, else the code of the failure.
std::uint32_t find_file(const char* name, OpenAttempt& open) {
  // The name as written first: a file that is there under it needs no look at its directory.
  if (!utf8_from_text(name, open.path)) return FS_ERROR_INVALID_NAME;
  open.descriptor = ::open(open.path.c_str(), open.flags & ~O_CREAT, 0666);
  open.existed = open.descriptor >= 0;
  if (open.descriptor < 0 && errno == ENOENT) {
    open.path = resolve_name(name, &open.found);
    open.existed = open.found == 1 || (open.found == -1 && path_exists(open.path));
    open.descriptor = ::open(open.path.c_str(), open.flags, 0666);
  }
  if (open.descriptor < 0) return fs_code_for_path(errno, open.path);
  // Made just after resolve_name looked for other spellings of its name.
  if (open.found == 0 && (open.flags & O_CREAT) != 0) note_file_created(open.path);
  return 0;
}

// Emptied only when the open is sure to stand, so that a refused open leaves the file as it was.
std::uint32_t empty_if_asked(const OpenAttempt& open) {
  if ((open.disposition == FS_CREATE_ALWAYS || open.disposition == FS_TRUNCATE_EXISTING) &&
      S_ISREG(open.info.st_mode) && open.info.st_size != 0) {
    if (::ftruncate(open.descriptor, 0) != 0) return fs_code_of_errno(errno);
  }
  return 0;
}

class PosixFileSystem final : public FileSystem {
 public:
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
  bool remove_stale(const char* name) override;
  FileHandle standard_stream(std::uint32_t which) override;
  bool exists_as_made(const char* name) override {
    const std::string path = path_to_make(name);
    struct stat info;
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
  }
  bool copy_permissions(FileHandle model, FileHandle target) override;
  bool names_open_file(FileHandle handle, const char* name) override;
  bool mark_temporary(FileHandle handle) override;
  std::uint32_t set_error_mode(std::uint32_t mode) override {
    // No operating-system dialog exists here to suppress; the mode is only kept.
    const std::uint32_t previous = error_mode_;
    error_mode_ = mode;
    return previous;
  }
  std::uint32_t last_error() override { return last_error_; }
  void set_last_error(std::uint32_t code) override { last_error_ = code; }
  std::string last_error_reason() override { return fs_reason_of(last_error_); }
  void keep_temporaries() override { exit_cleanup_keep_all(); }
  void hold_endings(bool held) override { exit_cleanup_hold_endings(held); }
  bool flush(FileHandle handle) override;
  bool flush_written() override;
  bool flush_directory(const char* name) override;

 private:
  OpenFile* open_file(FileHandle handle);
  // Whether the file that an open has just reached may be used as asked: not a directory, shared
  // as the other opens of this process allow, not locked by another process. Gives the code to
  // refuse it with, else 0.
  std::uint32_t check_opened(OpenAttempt& open) const;
  // The record of an open that stands; it is the handle that create_file gives.
  FileHandle keep(const OpenAttempt& open);
  // The same for a standard stream, which no flush of the program's files covers.
  FileHandle keep_stream(const OpenAttempt& open);
  // One read (into read_into) or write (from write_from) at the file pointer, in as many calls
  // as the system takes.
  bool transfer(FileHandle handle, unsigned char* read_into, const unsigned char* write_from, std::uint32_t count,
                std::uint32_t* moved);
  DirectorySearch* search(FindHandle handle);
  bool fail(std::uint32_t code) {
    last_error_ = code;
    return false;
  }
  // Whether a file is held so that it may not be renamed or removed: by an open of this
  // process, or by another process's exclusive lock.
  bool held(const std::string& path);

  std::vector<OpenFile*> files_;
  std::vector<DirectorySearch*> searches_;
  // One descriptor on each file system written to since the last flush_written.
  std::vector<WrittenFileSystem> written_;
  std::uint32_t last_error_ = 0;
  std::uint32_t error_mode_ = 0;
};

OpenFile* PosixFileSystem::open_file(FileHandle handle) {
  auto* file = static_cast<OpenFile*>(handle);
  if (std::find(files_.begin(), files_.end(), file) == files_.end()) {
    last_error_ = FS_ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return file;
}

DirectorySearch* PosixFileSystem::search(FindHandle handle) {
  auto* found = static_cast<DirectorySearch*>(handle);
  if (std::find(searches_.begin(), searches_.end(), found) == searches_.end()) {
    last_error_ = FS_ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return found;
}

FileHandle PosixFileSystem::create_file(const char* name, std::uint32_t desired_access, std::uint32_t share_mode,
                                        std::uint32_t creation_disposition) {
  OpenAttempt open;
  open.readable = (desired_access & FS_GENERIC_READ) != 0;
  open.writable = (desired_access & FS_GENERIC_WRITE) != 0;
  open.share = share_mode;
  open.disposition = creation_disposition;
  if (!request_is_valid(name, open)) {
    fail(FS_ERROR_INVALID_PARAMETER);
    return FS_INVALID_HANDLE;
  }
  open.flags = open_flags(open);
  // A file to be made is the file of exactly its name; one to be found may differ in case.
  const bool making = creation_disposition == FS_CREATE_NEW || creation_disposition == FS_CREATE_ALWAYS;
  if (const std::uint32_t code = making ? make_file(name, open) : find_file(name, open)) {
    fail(code);
    return FS_INVALID_HANDLE;
  }
  // From here on a refused open closes the file again.
  std::uint32_t code = check_opened(open);
  if (code == 0) code = empty_if_asked(open);
  if (code != 0) {
    ::close(open.descriptor);
    fail(code);
    return FS_INVALID_HANDLE;
  }
  return keep(open);
}

std::uint32_t PosixFileSystem::check_opened(OpenAttempt& open) const {
  if (::fstat(open.descriptor, &open.info) != 0) return fs_code_of_errno(errno);
  if (S_ISDIR(open.info.st_mode)) return fs_code_from(EISDIR, FS_ERROR_ACCESS_DENIED);
  // A name asked for as a plain file that is something else now is refused, never waited on.
  if (open.disposition == FS_OPEN_EXISTING_PLAIN && !S_ISREG(open.info.st_mode)) {
    return fs_code_from(S_ISFIFO(open.info.st_mode) || S_ISSOCK(open.info.st_mode) ? ESPIPE : ENODEV,
                        FS_ERROR_ACCESS_DENIED);
  }
  // Reads and writes of a file on a disk never block; any other kind blocks again from here on.
  if (!S_ISREG(open.info.st_mode)) ::fcntl(open.descriptor, F_SETFL, open.flags & ~O_NONBLOCK);
  for (const OpenFile* other : files_) {
    if (other->device == open.info.st_dev && other->inode == open.info.st_ino &&
        !shares_with(*other, open.readable, open.writable, open.share)) {
      return FS_ERROR_SHARING_VIOLATION;
    }
  }
  // Another process that opened the file with no sharing holds an exclusive lock. A file system
  // without locks is opened all the same.
  if ((open.readable || open.writable) && S_ISREG(open.info.st_mode)) {
    const int kind = open.share == 0 ? LOCK_EX : LOCK_SH;
    if (::flock(open.descriptor, kind | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
      return fs_code_from(EWOULDBLOCK, FS_ERROR_SHARING_VIOLATION);
    }
  }
  return 0;
}

FileHandle PosixFileSystem::keep(const OpenAttempt& open) {
  if (open.writable && S_ISREG(open.info.st_mode)) note_written(written_, open.info.st_dev, open.path);
  // A large file that is only read is read from start to end: the kernel reads further ahead.
  if (!open.writable && S_ISREG(open.info.st_mode) && open.info.st_size >= SEQUENTIAL_READ_SIZE) {
    ::posix_fadvise(open.descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  return keep_stream(open);
}

FileHandle PosixFileSystem::keep_stream(const OpenAttempt& open) {
  auto* file = new OpenFile;
  file->path = open.path;
  file->descriptor = open.descriptor;
  file->device = open.info.st_dev;
  file->inode = open.info.st_ino;
  file->readable = open.readable;
  file->writable = open.writable;
  file->share = open.share;
  file->disk = S_ISREG(open.info.st_mode) || S_ISBLK(open.info.st_mode);
  file->kind = open.info.st_mode & S_IFMT;
  file->permissions = open.info.st_mode & 07777;
  files_.push_back(file);
  if (open.existed && (open.disposition == FS_OPEN_ALWAYS || open.disposition == FS_CREATE_ALWAYS)) {
    last_error_ = FS_ERROR_ALREADY_EXISTS;
  }
  return file;
}

std::uint32_t PosixFileSystem::file_type(FileHandle handle) {
  OpenFile* file = open_file(handle);
  if (file == nullptr) return FS_TYPE_UNKNOWN;
  const mode_t kind = file->kind;
  if (S_ISREG(kind) || S_ISBLK(kind)) return FS_TYPE_DISK;
  if (S_ISCHR(kind)) return FS_TYPE_CHAR;
  if (S_ISFIFO(kind) || S_ISSOCK(kind)) return FS_TYPE_PIPE;
  return FS_TYPE_UNKNOWN;
}

bool PosixFileSystem::seek(FileHandle handle, std::int64_t distance, std::uint32_t origin,
                           std::uint64_t* new_position) {
  OpenFile* file = open_file(handle);
  if (file == nullptr) return false;
  int whence = SEEK_SET;
  if (origin == FS_CURRENT) whence = SEEK_CUR;
  else if (origin == FS_END) whence = SEEK_END;
  else if (origin != FS_BEGIN) return fail(FS_ERROR_INVALID_PARAMETER);
  const off_t reached = ::lseek(file->descriptor, static_cast<off_t>(distance), whence);
  if (reached < 0) {
    if (errno == ESPIPE) {
      // A device that cannot seek stays where it is.
      if (new_position != nullptr) *new_position = 0;
      return true;
    }
    return fail(errno == EINVAL && distance < 0 ? FS_ERROR_NEGATIVE_SEEK : fs_code_of_errno(errno));
  }
  if (new_position != nullptr) *new_position = static_cast<std::uint64_t>(reached);
  return true;
}

bool PosixFileSystem::set_end_of_file(FileHandle handle) {
  OpenFile* file = open_file(handle);
  if (file == nullptr) return false;
  if (!file->writable) return fail(FS_ERROR_ACCESS_DENIED);
  const off_t here = ::lseek(file->descriptor, 0, SEEK_CUR);
  if (here < 0) return fail(errno == ESPIPE ? FS_ERROR_INVALID_FUNCTION : fs_code_of_errno(errno));
  while (::ftruncate(file->descriptor, here) != 0) {
    if (errno != EINTR) return fail(fs_code_of_errno(errno));
  }
  return true;
}

bool PosixFileSystem::read(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t* moved) {
  return transfer(handle, static_cast<unsigned char*>(buffer), nullptr, count, moved);
}

bool PosixFileSystem::write(FileHandle handle, const void* buffer, std::uint32_t count, std::uint32_t* moved) {
  return transfer(handle, nullptr, static_cast<const unsigned char*>(buffer), count, moved);
}

bool PosixFileSystem::transfer(FileHandle handle, unsigned char* read_into, const unsigned char* write_from,
                               std::uint32_t count, std::uint32_t* moved) {
  const bool reading = read_into != nullptr;
  std::uint32_t done = 0;
  if (moved != nullptr) *moved = 0;
  OpenFile* file = open_file(handle);
  if (file == nullptr) return false;
  if (!(reading ? file->readable : file->writable)) return fail(FS_ERROR_ACCESS_DENIED);
  while (done < count) {
    const std::size_t chunk = std::min<std::size_t>(count - done, std::size_t{1} << 30);
    const ssize_t result = reading ? ::read(file->descriptor, read_into + done, chunk)
                                   : ::write(file->descriptor, write_from + done, chunk);
    if (result < 0) {
      if (errno == EINTR) continue;
      if (moved != nullptr) *moved = done;
      if (errno == EIO) return fail(fs_code_from(EIO, reading ? FS_ERROR_READ_FAULT : FS_ERROR_WRITE_FAULT));
      return fail(fs_code_of_errno(errno));
    }
    if (result == 0) break;
    done += static_cast<std::uint32_t>(result);
    // A device or pipe gives what it has. A regular file reads short only at its end, which no
    // second read needs to find; another kind of disk file is read until the count or its end.
    if (reading && (!file->disk || (S_ISREG(file->kind) && static_cast<std::size_t>(result) < chunk))) break;
  }
  if (moved != nullptr) *moved = done;
  if (!reading) note_unsent(*file, done);
  return true;
}

std::uint64_t PosixFileSystem::copy_range(FileHandle from, FileHandle to, std::uint64_t count) {
  const auto is_open = [this](FileHandle handle) {
    return std::find(files_.begin(), files_.end(), static_cast<OpenFile*>(handle)) != files_.end();
  };
  if (!is_open(from) || !is_open(to)) return 0;
  const OpenFile& source = *static_cast<OpenFile*>(from);
  OpenFile& target = *static_cast<OpenFile*>(to);
  if (!source.readable || !target.writable || !S_ISREG(source.kind) || !S_ISREG(target.kind)) return 0;
  std::uint64_t done = 0;
  while (done < count) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, std::uint64_t{1} << 30));
    const ssize_t copied = ::copy_file_range(source.descriptor, nullptr, target.descriptor, nullptr, chunk, 0);
    if (copied < 0 && errno == EINTR) continue;
    // The source's end, or a copy the kernel declines or cannot finish: the caller goes on.
    if (copied <= 0) break;
    done += static_cast<std::uint64_t>(copied);
    note_unsent(target, static_cast<std::uint64_t>(copied));
  }
  return done;
}

bool PosixFileSystem::file_size(FileHandle handle, std::uint64_t* size) {
  OpenFile* file = open_file(handle);
  if (file == nullptr) return false;
  struct stat info;
  if (::fstat(file->descriptor, &info) != 0) return fail(fs_code_of_errno(errno));
  if (size != nullptr) *size = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
  return true;
}

bool PosixFileSystem::close(FileHandle handle) {
  OpenFile* file = open_file(handle);
  if (file == nullptr) return false;
  files_.erase(std::find(files_.begin(), files_.end(), file));
  // The descriptor is gone even when close reports an error (EINTR included on Linux). For a file
  // that was written, any other error is a write that never reached the disk (how NFS reports a
  // full disk or quota); for one only read, nothing was lost.
  const int result = ::close(file->descriptor);
  const int error = errno;
  const bool written = file->writable;
  delete file;
  if (result != 0 && error != EINTR && written) {
    return fail(error == EIO ? fs_code_from(EIO, FS_ERROR_WRITE_FAULT) : fs_code_of_errno(error));
  }
  return true;
}

FindHandle PosixFileSystem::find_first(const char* pattern, FindData& data) {
  std::uint32_t code = 0;
  DirectorySearch* found = directory_search_start(pattern, data, code);
  if (found == nullptr) {
    fail(code);
    return FS_INVALID_HANDLE;
  }
  searches_.push_back(found);
  return found;
}

bool PosixFileSystem::find_next(FindHandle handle, FindData& data) {
  DirectorySearch* found = search(handle);
  if (found == nullptr) return false;
  std::uint32_t code = 0;
  if (!directory_search_next(*found, data, code)) return fail(code);
  return true;
}

bool PosixFileSystem::find_close(FindHandle handle) {
  DirectorySearch* found = search(handle);
  if (found == nullptr) return false;
  searches_.erase(std::find(searches_.begin(), searches_.end(), found));
  directory_search_end(found);
  return true;
}

bool PosixFileSystem::held(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  for (const OpenFile* open : files_) {
    if (open->device == info.st_dev && open->inode == info.st_ino) return true;
  }
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) return false;
  const bool locked = ::flock(descriptor, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(descriptor);
  return locked;
}

bool PosixFileSystem::rename(const char* from, const char* to) {
  if (*from == '\0' || *to == '\0') return fail(FS_ERROR_INVALID_PARAMETER);
  const std::string source = resolve_name(from);
  if (source.empty()) return fail(FS_ERROR_INVALID_NAME);
  struct stat source_info;
  if (::lstat(source.c_str(), &source_info) != 0) return fail(fs_code_for_path(errno, source));
  if (held(source)) return fail(FS_ERROR_SHARING_VIOLATION);

  // The new name is taken exactly as written: a file whose name differs from it only in case is
  // another file, and stays.
  const std::string target = path_to_make(to);
  if (target.empty()) return fail(FS_ERROR_INVALID_NAME);
  if (held(target)) return fail(FS_ERROR_SHARING_VIOLATION);
  if (::rename(source.c_str(), target.c_str()) != 0) return fail(fs_code_for_path(errno, target));
  exit_cleanup_drop(source);
  return true;
}

bool PosixFileSystem::remove(const char* name) {
  if (*name == '\0') return fail(FS_ERROR_INVALID_PARAMETER);
  const std::string path = path_to_make(name);
  if (path.empty()) return fail(FS_ERROR_INVALID_NAME);
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return fail(fs_code_for_path(errno, path));
  if (S_ISDIR(info.st_mode)) return fail(FS_ERROR_ACCESS_DENIED);
  if (held(path)) return fail(FS_ERROR_SHARING_VIOLATION);
  if (::unlink(path.c_str()) != 0) return fail(fs_code_for_path(errno, path));
  exit_cleanup_drop(path);
  return true;
}

FileHandle PosixFileSystem::standard_stream(std::uint32_t which) {
  if (which > FS_STANDARD_OUTPUT) {
    fail(FS_ERROR_INVALID_PARAMETER);
    return FS_INVALID_HANDLE;
  }
  OpenAttempt open;
  open.descriptor = ::fcntl(which == FS_STANDARD_INPUT ? STDIN_FILENO : STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (open.descriptor < 0 || ::fstat(open.descriptor, &open.info) != 0) {
    fail(fs_code_of_errno(errno));
    if (open.descriptor >= 0) ::close(open.descriptor);
    return FS_INVALID_HANDLE;
  }
  open.readable = which == FS_STANDARD_INPUT;
  open.writable = which == FS_STANDARD_OUTPUT;
  open.share = FS_SHARE_READ | FS_SHARE_WRITE;
  open.disposition = FS_OPEN_EXISTING;
  return keep_stream(open);
}

bool PosixFileSystem::remove_stale(const char* name) {
  const std::string path = path_to_make(name);
  struct stat info;
  if (path.empty() || ::lstat(path.c_str(), &info) != 0) return fail(FS_ERROR_FILE_NOT_FOUND);
  if (!S_ISREG(info.st_mode)) return fail(FS_ERROR_ACCESS_DENIED);
  return remove(name);
}

bool PosixFileSystem::copy_permissions(FileHandle model, FileHandle target) {
  OpenFile* from = open_file(model);
  OpenFile* to = from == nullptr ? nullptr : open_file(target);
  if (to == nullptr) return false;
  // The bits as the opens found them: the model's are those its data was read under, and the
  // target's are its own (a file this program made has them from its open).
  const mode_t wanted = from->permissions & 0777 & ~current_umask();
  if (to->permissions == wanted) return true;
  // A file that cannot be given the bits might show the data to more people than the model did.
  if (::fchmod(to->descriptor, wanted) != 0) return fail(fs_code_of_errno(errno));
  to->permissions = wanted;
  return true;
}

bool PosixFileSystem::names_open_file(FileHandle handle, const char* name) {
  OpenFile* file = open_file(handle);
  if (file == nullptr || *name == '\0') return false;
  struct stat info;
  if (::stat(path_to_make(name).c_str(), &info) != 0) return false;
  return info.st_dev == file->device && info.st_ino == file->inode;
}

bool PosixFileSystem::flush(FileHandle handle) {
  OpenFile* file = open_file(handle);
  if (file == nullptr) return false;
  if (const std::uint32_t code = flush_descriptor(file->descriptor)) return fail(code);
  return true;
}

bool PosixFileSystem::flush_written() {
  if (const std::uint32_t code = flush_file_systems(written_)) return fail(code);
  return true;
}

bool PosixFileSystem::flush_directory(const char* name) {
  if (*name == '\0') return fail(FS_ERROR_INVALID_PARAMETER);
  const std::string path = path_to_make(name);
  if (path.empty()) return fail(FS_ERROR_INVALID_NAME);
  if (const std::uint32_t code = flush_directory_of(path)) return fail(code);
  return true;
}

bool PosixFileSystem::mark_temporary(FileHandle handle) {
  OpenFile* file = open_file(handle);
  if (file == nullptr) return false;
  if (!exit_cleanup_add(file->path)) return fail(FS_ERROR_NOT_ENOUGH_MEMORY);
  return true;
}

}  // namespace

FileSystem& posix_file_system() {
  static PosixFileSystem files;
  return files;
}
