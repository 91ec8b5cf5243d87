#include "platform/posix/posix_file_system.h"

#include "platform/file_system.h"

FileSystem& posix_file_system() {
  static FileSystem files;
  return files;
}
