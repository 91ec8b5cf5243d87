// The table of open channels behind files/channels.h, for the file services alone (and their
// tests): the record of an open channel, the modes of the mode byte that the tool never uses,
// and the lookups. The table is a list, newest first, in file_state.channel_list.
#pragma once

#include <cstdint>
#include <string>

#include "files/open_request.h"
#include "text/text_value.h"
#include "platform/file_system.h"

// The other modes of the mode byte: exactly one of MODE_INPUT, MODE_OUTPUT, MODE_RECORD,
// MODE_APPEND and MODE_BINARY, optionally with MODE_NO_FALLBACK.
constexpr std::uint8_t MODE_INPUT = 0x01, MODE_OUTPUT = 0x02, MODE_RECORD = 0x04, MODE_APPEND = 0x08;

// Binary, read and write, no sharing, base 1: an existing file, or a missing one made empty.
constexpr OpenRequest BINARY_REQUEST{MODE_BINARY, READ_WRITE_NO_SHARING, 128, 1};

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
