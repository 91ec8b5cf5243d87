// What the split and the glue both do with pieces: show the progress row, and move a run of
// bytes from one open file to another.
#pragma once

#include <cstdint>
#include <string>

#include "files/channels.h"
#include "files/transfer.h"
#include "text/text_value.h"

constexpr std::uint32_t COPY_BLOCK_SIZE = 32750;  // largest block moved in one step through the program
constexpr std::int32_t PROGRESS_ROW = 17;
constexpr std::uint32_t STREAM_BLOCK_SIZE = 256 * 1024;  // the most read from a stream at once
// Bytes that pass through the program for a checksum move in blocks of this size.
constexpr std::uint32_t CHECKED_BLOCK_SIZE = 256 * 1024;
// From this length on a checksum is worth making on the other core.
constexpr std::uint64_t PARALLEL_CHECKSUM_LENGTH = 16u * 1024 * 1024;
// ... when its pieces are this large at least: smaller ones would wait on the threads at each end.
constexpr std::uint64_t PARALLEL_PIECE_SIZE = 1024 * 1024;
constexpr std::uint64_t LONG_COPY = 4u * 1024 * 1024;  // a copy the screen is brought up to date for

// A run's progress rows start afresh: nothing of the area is known yet.
void app_reset_progress_area();

// The progress row: one filled square per piece so far, then the text, from row 17, column 1,
// over whatever an earlier progress row left there.
void app_show_progress(std::int32_t piece_number, const TextValue& text);

// While long work goes on: the percentage after the last progress row's text (" 42%"), and the
// cells it covered as they were before. Nothing is shown where the cells under it are not known
// (the screen scrolled under the progress rows, or the row has no room).
void app_show_percent(int percent);
void app_erase_percent();

enum class CopyOutcome : std::uint8_t { done, read_failed, write_failed };

// How a copy ended, and the system's own words for its failure when it had some.
struct CopyResult {
  CopyOutcome outcome = CopyOutcome::done;
  std::string reason;
  std::uint64_t copied = 0;  // bytes that reached the target
};

// What the copy asks of the source beyond the bytes it moves.
enum class CopyRest : std::uint8_t {
  any,      // the source may hold more (a split takes part of its source)
  exactly,  // the bytes moved are all the source holds: a source that holds more or fewer is
            // a read failure, and a longer one is found before anything is written
};

// Moves count bytes from the position of one channel to the position of the other: inside the
// file system where it can, else in blocks of at most COPY_BLOCK_SIZE bytes. A source that has
// fewer bytes than asked (the file became shorter) is a read failure; the bytes already moved
// stay written. A watch, when given, hears the copy as file_copy_range tells it.
CopyResult app_copy_bytes(ChannelNumber from, ChannelNumber to, std::uint64_t count, CopyRest rest = CopyRest::any,
                          const CopyWatch* watch = nullptr);

// Moves at most count bytes from a stream (a pipe, a terminal, standard input), which gives what
// it has at a time, to the other channel: fewer when the stream ends first (a read of nothing).
// The watch sees every byte written.
CopyResult app_copy_stream(ChannelNumber from, ChannelNumber to, std::uint64_t count, const CopyWatch& watch);
