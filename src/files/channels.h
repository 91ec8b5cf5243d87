// File channels: every open file is named by a small number. The table of open channels is a
// list, newest first, in file_state.channel_list. A failing call records its error number in
// the caller's frame (frame/errors.h) and leaves no channel behind that it did not find.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "text/text_value.h"

using ChannelNumber = std::int16_t;

// Mode byte of an open request: one of the first five, optionally with MODE_NO_FALLBACK.
constexpr std::uint8_t MODE_INPUT = 0x01, MODE_OUTPUT = 0x02, MODE_RECORD = 0x04, MODE_APPEND = 0x08,
                       MODE_BINARY = 0x20, MODE_NO_FALLBACK = 0x80;
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
  replace,    // makes the file of exactly this name, empty, replacing one that exists
  temporary,  // makes a new file of exactly this name, never through anything that exists (58);
              // should the process end by a signal before it is renamed or removed, it is removed
};

struct OpenRequest {
  std::uint8_t mode;
  std::uint8_t access;
  std::int32_t record_length;   // replaced by 1 for output, append and binary modes
  std::uint16_t position_base;  // 0 or 1: the number of the first byte or record
  FileCreation creation = FileCreation::by_mode;
};

// Binary, read and write, no sharing, base 1: an existing file, or a missing one made empty.
constexpr OpenRequest BINARY_REQUEST{MODE_BINARY, READ_WRITE_NO_SHARING, 128, 1};
// The application's requests: a file to read (the source, a piece), a file it writes whole (a
// piece), and the file a glue builds before it takes its name.
constexpr OpenRequest EXISTING_FILE_REQUEST{MODE_BINARY, READ_WRITE_NO_SHARING, 128, 1, FileCreation::existing};
constexpr OpenRequest REPLACED_FILE_REQUEST{MODE_BINARY | MODE_NO_FALLBACK, READ_WRITE_NO_SHARING, 128, 1, FileCreation::replace};
constexpr OpenRequest TEMPORARY_FILE_REQUEST{MODE_BINARY | MODE_NO_FALLBACK, READ_WRITE_NO_SHARING, 128, 1, FileCreation::temporary};

constexpr std::uint16_t DEVICE_DISK = 1;
constexpr std::uint16_t DEVICE_OTHER = 2;

constexpr std::uint16_t CHANNEL_OPEN = 0x0001;
constexpr std::uint16_t CHANNEL_AT_END = 0x0002;  // the last read came up short

// One open channel. The record and its read-ahead buffer are one allocation.
struct FileChannel {
  FileChannel* next;            // next record in channel_list
  ChannelNumber number;
  FileHandle handle;
  std::uint16_t device_kind;    // DEVICE_DISK or DEVICE_OTHER
  std::uint8_t mode;            // as requested
  std::uint8_t access;          // ACCESS_WRITE cleared when the open fell back to read-only
  std::uint64_t position;       // binary: 0-based offset of the next byte; record: record number
  std::uint32_t record_length;  // at least 1
  std::uint32_t buffer_index;   // input channels: read index into buffer
  std::uint32_t buffer_count;   // input channels: valid bytes in buffer
  std::uint16_t flags;          // CHANNEL_OPEN, CHANNEL_AT_END
  std::uint16_t position_base;
  std::uint32_t last_count;     // bytes moved by the last read or write
  unsigned char* buffer;        // record_length bytes, right behind the record
};

// Opens the named file on the channel. The whole name is used, however long (the file system
// refuses one beyond its limits); an empty name, one holding "*", "?" or a zero byte, or a text
// that no file name has (a control byte that starts no whole form) gives 64. Record length below 1: 5. Channel already open: 55
// (that channel is left as it was). A failing open with write access is tried once more
// read-only unless the mode has MODE_NO_FALLBACK; then the mapped error of the last attempt
// (76 missing directory, 70 file held by another opener, 53 missing file in input mode, ...).
// Binary mode creates a missing file and never truncates an existing one, unless the request's
// creation says otherwise (an existing file that is not there 53, a temporary file whose name is
// taken 58).
void file_open(ChannelNumber channel, const TextValue& name, const OpenRequest& request);

// Gives the file open on target the permission bits of the file open on model (limited by the
// umask; nothing changes where files have no such bits).
void file_copy_permissions(ChannelNumber model, ChannelNumber target);

// Whether the file that opening the name would make (links followed) is the file open on the
// channel. False, with nothing recorded, when the name gives no file or the channel is not open.
bool file_names_open_file(const TextValue& name, ChannelNumber channel);

// Closes the channel; a number that is not open is ignored with no error. An output channel's
// file ends at its current position. Failures are recorded after the channel is gone.
void file_close(ChannelNumber channel);

// Closes every open channel, so that the next run starts with none.
void file_close_all();
// The per-run reset of the file services: no open channel, no search in progress.
void file_reset();

// The lowest number from 1 up that is not open. Reserves nothing.
ChannelNumber file_free_channel();

// How a mode byte is treated, tested in this order: output (exactly MODE_OUTPUT apart from
// MODE_NO_FALLBACK), append, record, input; anything else is binary.
enum class ChannelKind : std::uint8_t { output, append, record, input, binary };
ChannelKind file_channel_kind(std::uint8_t mode);

// The name as the file system gets it: all of it. False for a name that is empty, holds "*",
// "?" or a zero byte (which would make the file system see a different name), or is the text of
// no name this system can hold.
bool file_os_name(const TextValue& name, std::string& os_name);

// The open channel of that number; records 52 and gives null when it is not open.
FileChannel* file_find_channel(ChannelNumber channel);
// The same without recording anything.
FileChannel* file_lookup_channel(ChannelNumber channel);
