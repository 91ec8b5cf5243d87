// The file system as the file services rely on it. Every call leaves a last-error code in the
// Windows numbering (0 for none; 2 file not found, 3 path not found, 5 access denied, ...) that
// last_error() reports, so that one wrapper maps codes to error numbers on every platform.
#pragma once

#include <cstdint>
#include <string>

using FileHandle = void*;
using FindHandle = void*;

struct FindData {
  std::uint32_t attributes = 0;
  std::string name;  // code-page-437 bytes, no directory part
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Filled in by the files subsystem.
};
