// The errors of POSIX calls as the last-error codes of the file system interface, by meaning: a
// missing file 2, a missing directory on the way 3, refused access 5, a read-only file system 19,
// a file held by another opener 32, a full disk 112, and so on.
#pragma once

#include <cstdint>
#include <string>

// The code of an errno value.
std::uint32_t fs_code_of_errno(int error);
// The same for a call on a path: ENOENT is a missing file (2) when the path's directory exists,
// else a missing directory (3).
std::uint32_t fs_code_for_path(int error, const std::string& path);
