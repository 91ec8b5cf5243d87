// Byte transfers on an open binary channel, and questions about its file. Every read and write is
// one call of the file system, straight into or out of the caller's storage (the file system may
// take several system calls for it); a copy between channels moves its range inside the file
// system where it can, else in blocks; nothing is buffered between calls. Positions that callers give and get are counted from the channel's
// position base (1 for the application: the first byte is position 1). Sizes and positions are
// 64-bit, so files of 4 GiB and more work whole.
//
// A failing call records its error number in the caller's frame and gives its neutral result:
// channel not open 52 (53 for file_at_end and file_position), a channel of input, output,
// append or record mode 54, a position before the first 63, a file-system failure its mapped
// number, a write that moved fewer bytes than asked 61. A read that comes up short is not an
// error: it sets the channel's end flag, which any later successful transfer clears.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "files/channels.h"
#include "text/text_value.h"

// Up to count bytes from the current position; shorter at the end of the file, empty on failure.
TextValue file_read_bytes(ChannelNumber channel, std::uint32_t count);
// All the text's bytes at the current position.
void file_write_text(ChannelNumber channel, const TextValue& text);

// The variable's bytes, as they lie in memory, from or to the given position (or the current
// one). A read that finds fewer bytes fills the rest of the variable with zero bytes.
void file_read_at(ChannelNumber channel, std::optional<std::uint64_t> position, void* variable,
                  std::uint32_t size);
void file_write_at(ChannelNumber channel, std::optional<std::uint64_t> position, const void* variable,
                   std::uint32_t size);

// How a copy from one channel to another ended.
enum class FileCopyEnd : std::uint8_t {
  done,          // every byte asked for was copied
  source_ended,  // the source had fewer bytes: its end flag is set, and the short block unwritten
  read_failed,   // a read failed; its error number is recorded
  write_failed,  // a write failed or came up short; its error number is recorded
  source_longer, // the source holds more than the rest that was asked for: nothing was copied
};

// What the copy asks of the source beyond count.
enum class SourceRest : std::uint8_t {
  any,      // the source may hold more
  exactly,  // the count is all the source holds from its position: more is source_longer
};

// How many bytes a copy inside the file system moves between two reports to a watcher: on a disk
// of today a fraction of a second.
constexpr std::uint64_t COPY_WATCH_SLICE = std::uint64_t{64} << 20;

// Someone who follows a copy (a checksum of its bytes, a progress line). Each call tells of bytes
// that have just reached the target, in order, at least one byte a call: of every byte that did,
// those that a failing write still put there included, and of no other (not the short block that
// the source's end cut, not the byte read behind an exact rest). The calls give nothing back:
// what the watcher does with them cannot fail or change the copy. They leave both channels alone.
struct CopyWatch {
  // Every byte must pass through the program (a checksum): the file system copies nothing by
  // itself, and saw hears every byte.
  bool needs_bytes = false;
  // The bytes that a write has just put into the target: every byte that passed through the
  // program, and so every byte of the copy when needs_bytes is set.
  std::function<void(const unsigned char* bytes, std::uint32_t count)> saw;
  // How many bytes have just reached the target, whichever way they went: after saw for the
  // bytes of a write, and after each slice that the file system copied by itself.
  std::function<void(std::uint64_t count)> moved;
  // The most bytes that the file system copies by itself between two calls of moved (0 counts
  // as 1).
  std::uint64_t slice = COPY_WATCH_SLICE;
};

// Copies count bytes from the current position of one binary channel to the current position of
// another: inside the file system as far as it will (no byte passes through the program), and
// from where that stops in blocks of at most block_size bytes (at least 1), each one read and one
// write of the bytes read, in one buffer of one block. A short source ends the copy as it ends a
// copy of blocks alone, with the same bytes in the target; a failing read or write is met by the
// block loop and recorded as it would be there. copied gets the bytes copied; the positions move
// on by them. With SourceRest::exactly the source must hold no more than count bytes from its
// position: a copy of more than a block learns it before it copies anything; the block loop reads
// one byte more with its last block, and a source found longer there is not written further.
// A watch hears the copy as it goes. With one that needs bytes, the file system copies nothing by
// itself: the copy goes as on a file system without such a copy, with the same end, count,
// positions and bytes. Without a watch the file system is asked for the whole range at once.
FileCopyEnd file_copy_range(ChannelNumber from, ChannelNumber to, std::uint64_t count, std::uint32_t block_size,
                            std::uint64_t& copied, SourceRest rest = SourceRest::any,
                            const CopyWatch* watch = nullptr);

// Size in bytes; 0 on failure and for a device that is not a disk file.
std::uint64_t file_size(ChannelNumber channel);
// -1 when the last read came up short, else 0 (always 0 for output and append channels).
std::int32_t file_at_end(ChannelNumber channel);
// The position of the next byte, counted from the base; 0 on failure and for a device.
std::uint64_t file_position(ChannelNumber channel);

// The file ends at the channel's current position: cut there, or extended with zero bytes.
void file_set_end(ChannelNumber channel);
// Renames a file, replacing an existing file of the new name. Names as for file_open (64 when
// unusable); a missing file 53, a missing directory 76, a file held open 70.
void file_rename(const TextValue& from, const TextValue& to);
// Deletes a file. Errors as for file_rename; a directory is refused with 75.
void file_remove(const TextValue& name);
// Deletes a temporary file of this program's that a killed run left: a plain file (not a link)
// that no program holds. Anything else stays; nothing is recorded either way.
void file_remove_stale(const TextValue& name);

// The data written to the file open on the channel is on the disk (a failure of the medium or a
// full disk found only now is recorded).
void file_flush(ChannelNumber channel);
// Everything written since the last such call, to every file, is on the disk: in one call for
// each file system where the system can.
void file_flush_written();
// The entries of the directory that holds the named file are on the disk: a file just made or
// renamed there keeps its name after a power cut.
void file_flush_directory(const TextValue& name);
// The files opened as outputs of this run (FileCreation::output) stay, whatever ends the process
// from now on: the run is finished.
void file_keep_outputs();
