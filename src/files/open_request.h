// What an open asks for: the channel numbers that name open files, and the open requests (the
// mode, access and sharing, and whether the file is found or made) of the files the tool opens.
#pragma once

#include <cstdint>

using ChannelNumber = std::int16_t;

// Mode byte of an open request: binary (every file the tool opens), optionally with
// MODE_NO_FALLBACK; the other modes of the byte are the channel table's (files/channel_table.h).
constexpr std::uint8_t MODE_BINARY = 0x20, MODE_NO_FALLBACK = 0x80;
// Access byte: the two access bits and, in the low three bits, a share code 1..4 (1: no
// sharing, 2: others may read, 3: others may write, 4: both).
constexpr std::uint8_t ACCESS_READ = 0x80, ACCESS_WRITE = 0x40;
constexpr std::uint8_t SHARE_NONE = 1, SHARE_READ = 2, SHARE_WRITE = 3, SHARE_BOTH = 4;
// Read and write access, no sharing: how the application opens every file.
constexpr std::uint8_t READ_WRITE_NO_SHARING = ACCESS_READ | ACCESS_WRITE | SHARE_NONE;

// Whether an open finds a file or makes one.
enum class FileCreation : std::uint8_t {
  by_mode,    // as the mode says: input finds an existing file, the other modes make a missing one
  existing,   // finds an existing file; a missing one is 53
  existing_plain,  // the same for a plain file only: anything else there (a directory, a device, a
                   // FIFO) is refused with 75, and nothing waits for it
  replace,    // makes the file of exactly this name, empty, replacing one that exists
  temporary,  // makes a new file of exactly this name, never through anything that exists (58);
              // should the process end by a signal before it is renamed or removed, it is removed
  output,     // as replace, and should the process end by a signal before the run keeps its
              // outputs (file_keep_outputs), the file is removed
};

struct OpenRequest {
  std::uint8_t mode;
  std::uint8_t access;
  std::int32_t record_length;   // replaced by 1 for output, append and binary modes
  std::uint16_t position_base;  // 0 or 1: the number of the first byte or record
  FileCreation creation = FileCreation::by_mode;
};

// The application's requests: a plain file it only reads (the source, a piece), which others may
// read meanwhile; a file it writes whole (a piece, the manifest); the same as an output of a run
// that is not finished yet (a split's pieces); and a file of its own that gets its name only when
// it is complete (the glue's file, a split's piece 1).
constexpr std::uint8_t READ_SHARING_READ = ACCESS_READ | SHARE_READ;
constexpr OpenRequest READ_FILE_REQUEST{MODE_BINARY | MODE_NO_FALLBACK, READ_SHARING_READ, 128, 1,
                                        FileCreation::existing_plain};
constexpr OpenRequest REPLACED_FILE_REQUEST{MODE_BINARY | MODE_NO_FALLBACK, READ_WRITE_NO_SHARING, 128, 1, FileCreation::replace};
constexpr OpenRequest OUTPUT_FILE_REQUEST{MODE_BINARY | MODE_NO_FALLBACK, READ_WRITE_NO_SHARING, 128, 1, FileCreation::output};
constexpr OpenRequest TEMPORARY_FILE_REQUEST{MODE_BINARY | MODE_NO_FALLBACK, READ_WRITE_NO_SHARING, 128, 1, FileCreation::temporary};
