// The file system on POSIX systems, with Windows-style last-error codes.
#pragma once

class FileSystem;

// The process's one file system.
FileSystem& posix_file_system();
