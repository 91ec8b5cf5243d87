#include "platform/posix/disk_flush.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_system.h"
#include "platform/posix/posix_errors.h"

namespace {

std::string directory_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int open_directory(const std::string& path) {
  return ::open(directory_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

void start_writeback(int descriptor) { ::sync_file_range(descriptor, 0, 0, SYNC_FILE_RANGE_WRITE); }

void note_written(std::vector<WrittenFileSystem>& written, dev_t device, const std::string& path) {
  for (const WrittenFileSystem& known : written) {
    if (known.device == device) return;
  }
  written.push_back(WrittenFileSystem{device, path});
}

std::uint32_t flush_file_systems(std::vector<WrittenFileSystem>& written) {
  std::uint32_t code = 0;
  for (const WrittenFileSystem& known : written) {
    const int directory = open_directory(known.path);
    if (directory < 0) {
      // The directory went meanwhile: the whole system is flushed instead.
      ::sync();
      continue;
    }
    // syncfs reports the write-back errors that the file system met (Linux 5.8 and later).
    if (::syncfs(directory) != 0 && code == 0) code = fs_code_of_errno(errno);
    ::close(directory);
  }
  written.clear();
  return code;
}

std::uint32_t flush_descriptor(int descriptor) {
  while (::fsync(descriptor) != 0) {
    if (errno == EINTR) continue;
    // A file that cannot be flushed (a FIFO, a special file) has nothing to bring onto a disk.
    if (errno == EINVAL || errno == EROFS) return 0;
    return errno == EIO ? fs_code_from(EIO, FS_ERROR_WRITE_FAULT) : fs_code_of_errno(errno);
  }
  return 0;
}

std::uint32_t flush_directory_of(const std::string& path) {
  const int directory = open_directory(path);
  if (directory < 0) return fs_code_for_path(errno, path);
  std::uint32_t code = 0;
  if (::fsync(directory) != 0 && errno != EINVAL && errno != EBADF) code = fs_code_of_errno(errno);
  ::close(directory);
  return code;
}
