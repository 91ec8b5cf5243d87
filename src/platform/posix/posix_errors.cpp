#include "platform/posix/posix_errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"

namespace {

// The errno value that the last code was made from: the reason that goes with a failure.
struct ErrnoReason {
  std::uint32_t code = 0;
  int error = 0;
};
ErrnoReason last_reason;

std::uint32_t code_of(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT: return FS_ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return FS_ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return FS_ERROR_ACCESS_DENIED;
    case EROFS: return FS_ERROR_WRITE_PROTECT;
    case ETXTBSY:
    case EBUSY:
    case EWOULDBLOCK: return FS_ERROR_SHARING_VIOLATION;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return FS_ERROR_DISK_FULL;
    case ENOMEM: return FS_ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE: return FS_ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return FS_ERROR_INVALID_HANDLE;
    case EXDEV: return FS_ERROR_NOT_SAME_DEVICE;
    case ENXIO:
    case ENODEV: return FS_ERROR_NOT_READY;
    case EEXIST: return FS_ERROR_FILE_EXISTS;
    case ENOTEMPTY: return FS_ERROR_DIR_NOT_EMPTY;
    case EPIPE: return FS_ERROR_BROKEN_PIPE;
    case ENAMETOOLONG: return FS_ERROR_FILENAME_EXCED_RANGE;
    case ELOOP: return FS_ERROR_CANT_RESOLVE_FILENAME;
    case EINVAL:
    case EOVERFLOW: return FS_ERROR_INVALID_PARAMETER;
    default: return FS_ERROR_GEN_FAILURE;
  }
}

// The directory part of a path, "." when there is none.
std::string directory_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// ENOENT says only that something is missing: the file (2) when its directory exists, else a
// directory on the way (3).
std::uint32_t missing_code(const std::string& path) {
  struct stat info;
  if (::stat(directory_of(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return FS_ERROR_FILE_NOT_FOUND;
  return FS_ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::uint32_t fs_code_of_errno(int error) {
  const std::uint32_t code = code_of(error);
  last_reason = ErrnoReason{code, error};
  return code;
}

std::uint32_t fs_code_for_path(int error, const std::string& path) {
  if (error != ENOENT) return fs_code_of_errno(error);
  const std::uint32_t code = missing_code(path);
  last_reason = ErrnoReason{code, error};
  return code;
}

std::uint32_t fs_code_from(int error, std::uint32_t code) {
  last_reason = ErrnoReason{code, error};
  return code;
}

std::string fs_reason_of(std::uint32_t code) {
  if (code == 0 || last_reason.code != code || last_reason.error == 0) return {};
  return std::strerror(last_reason.error);
}
