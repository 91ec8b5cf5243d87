// The file system on Windows: each call is the kernel32 call of the same meaning, and the
// thread's last-error code is reported as it is. A call that succeeds leaves the code as it was
// before it (Windows may leave a stale code behind on success), except create_file, which
// leaves 183 when it opened an existing file with FS_OPEN_ALWAYS or FS_CREATE_ALWAYS.
// Names are texts (code-page-437 bytes and forms, platform/text_forms.h), turned into UTF-16 for
// the wide ("W") calls, so that every name Windows can hold is reached whatever the system's
// code pages are; a path longer than the plain form allows goes in the long form. "\", "/" and
// ":" all separate.
#pragma once

class FileSystem;

// The process's one file system.
FileSystem& win32_file_system();
