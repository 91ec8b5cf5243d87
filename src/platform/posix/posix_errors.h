// The errors of POSIX calls as the last-error codes of the file system interface, by meaning: a
// missing file 2, a missing directory on the way 3, refused access 5, a read-only file system 19,
// a file held by another opener 32, a full disk 112, and so on.
#pragma once

#include <cstdint>
#include <string>

// The code of an errno value. The value is kept as the reason of that code (fs_reason_of).
std::uint32_t fs_code_of_errno(int error);
// The same for a call on a path: ENOENT is a missing file (2) when the path's directory exists,
// else a missing directory (3).
std::uint32_t fs_code_for_path(int error, const std::string& path);

// A code of the caller's own for a failure that errno tells of, with errno as its reason.
std::uint32_t fs_code_from(int error, std::uint32_t code);
// The system's own words for a failure with this code: those of the errno value it was last made
// from, else empty.
std::string fs_reason_of(std::uint32_t code);
