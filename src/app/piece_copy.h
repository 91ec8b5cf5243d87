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

// The progress row: one filled square per piece so far, then the text, from row 17, column 1,
// over whatever an earlier progress row left there.
void app_show_progress(std::int32_t piece_number, const TextValue& text);

enum class CopyOutcome : std::uint8_t { done, read_failed, write_failed };

// How a copy ended, and the system's own words for its failure when it had some.
struct CopyResult {
  CopyOutcome outcome = CopyOutcome::done;
  std::string reason;
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
