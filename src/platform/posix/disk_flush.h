// Bringing what the program wrote onto the disk: one file (fsync), every file system written to
// (syncfs, one call each, however many files), and a directory's entries. Each gives 0, or the
// file system code of the failure (with errno as its reason).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A file system the program has written to since the last flush of all, and a path on it, through
// which it is flushed whole after its files are closed (nothing is held open meanwhile, so that a
// medium can be unmounted).
struct WrittenFileSystem {
  dev_t device = 0;
  std::string path;
};

// Notes that a file on this device, at this path, is being written.
void note_written(std::vector<WrittenFileSystem>& written, dev_t device, const std::string& path);
// Flushes every file system noted, and forgets them.
std::uint32_t flush_file_systems(std::vector<WrittenFileSystem>& written);
std::uint32_t flush_descriptor(int descriptor);
// Asks the disk to start on the file's data written so far, without waiting for it: the flush
// at the end then finds little left to write, and the disk works while the program goes on.
// Nothing is promised by it, so nothing can fail.
void start_writeback(int descriptor);
// Flushes the directory that holds the path (a file system that cannot flush a directory needs
// no such flush).
std::uint32_t flush_directory_of(const std::string& path);
