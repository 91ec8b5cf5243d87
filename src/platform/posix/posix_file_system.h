// The file system on POSIX systems, with Windows-style last-error codes and Windows rules where
// the file services rely on them:
// - errno is mapped by meaning: a missing file 2, a missing directory in the path 3, refused
//   access 5, a read-only file system 19, a file held by another opener 32, a full disk 112.
// - Names are code-page-437 bytes, converted to UTF-8 on the way in and back on the way out.
// - Letters compare without regard to case: a name that does not exist as written is looked up
//   case-blind, one path element at a time, so the file that a search found is the file that
//   an open gets. A name that exists as written costs no directory scan.
//   A file that is made (FS_CREATE_NEW, FS_CREATE_ALWAYS, a rename's new name) and a file that
//   is removed is the one of exactly its name: only its directories are looked up case-blind.
// - Permission bits: a made file is private (0600) until copy_permissions gives it the bits of
//   the file its data comes from. A file marked temporary is removed by the handlers of ending
//   signals (exit_cleanup.h) until it is renamed or removed.
// - Share modes are kept: this process's opens of one file (same device and inode) follow the
//   Windows sharing rules, and an open with no sharing takes an exclusive flock, so another
//   Tranchor's open of the same file fails with 32 too.
// - Plain files are regular files (links followed), directories are directories, every other
//   kind (devices, FIFOs, sockets, dangling links) is a system file. No file is hidden.
#pragma once

class FileSystem;

// The process's one file system.
FileSystem& posix_file_system();
