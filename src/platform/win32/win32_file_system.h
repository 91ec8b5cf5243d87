// The file system on Windows: each call is the kernel32 call of the same meaning, and the
// thread's last-error code is reported as it is. A call that succeeds leaves the code as it was
// before it (Windows may leave a stale code behind on success), except create_file, which
// leaves 183 when it opened an existing file with FS_OPEN_ALWAYS or FS_CREATE_ALWAYS.
// Names are passed to the "A" calls unchanged; "\", "/" and ":" all separate.
#pragma once

class FileSystem;

// The process's one file system.
FileSystem& win32_file_system();
