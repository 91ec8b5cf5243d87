// The piece files: their names (the source's name up to its first dot, then the piece number in
// decimal) and the header that piece 1 carries, plus what the split, the join and the main flow
// share on the screen.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text_value.h"

// Piece 1 of a set starts with the title: the signature that the join and the drop detection
// recognise. Its 13 bytes are also the smallest piece size the title itself would need.
extern const FixedText<13> APP_TITLE;
constexpr std::string_view APP_TITLE_TEXT = "Tranchor v2.1";
// The signature of the older piece layout (16-byte header, no count).
constexpr std::string_view OLD_SIGNATURE = "Tranchor v2.0";

// Header of piece 1, as it lies in the file (18 bytes).
struct PieceHeader {
  unsigned char signature[13];        // APP_TITLE
  unsigned char extension_field[3];   // the source's extension as typed, blank-padded
  unsigned char piece_count[2];       // 16-bit signed, little-endian
};
static_assert(sizeof(PieceHeader) == 18);
constexpr std::uint32_t PIECE_HEADER_SIZE = sizeof(PieceHeader);
constexpr std::uint32_t OLD_PIECE_HEADER_SIZE = 16;

constexpr std::uint32_t COPY_BLOCK_SIZE = 32750;  // largest block moved in one step
constexpr std::int32_t PROGRESS_ROW = 17;
constexpr std::int32_t PIECE_LIMIT = 32767;       // piece numbers and the count are 16-bit
constexpr std::uint8_t PROGRESS_MARK = 0xFE;      // the filled square of prompts and progress rows

// Cuts name after the first dot of its file-name part that is not the part's first byte (the dot
// stays) and sets extension_field to the three bytes after that dot, blank-padded: as many whole
// characters as fit. A name without such a dot (.bashrc among them) is left whole and
// extension_field keeps its old value.
void app_split_name(TextValue& name, TextValue& extension_field);

// The piece number as decimal digits without blank, sign or leading zeros.
TextValue app_decimal(std::int32_t number);

// The byte 0xFE followed by the text: how prompts and menus start.
TextValue app_marked(std::string_view text);

// The end of a run that stops on a message: the line, an empty row, "Press any key to end.",
// and a wait for a key typed after the message appeared. Without a console the message goes
// to standard error as one line instead, and the process ends with exit code 1. The caller
// ends the run with exit code 1.
void app_end_with_message(const TextValue& line);

// The same for a set of pieces that the glue refuses: "ERROR! Incomplete file set!" on the row
// above the line.
void app_end_incomplete_set(const TextValue& line);

// One line on standard error, "tranchor: " and the line: how a scripted run says why it failed.
void app_report(const TextValue& line);

// Shows a failure the run cannot go on from: the message and the file's name, then waits as
// above.
void app_show_failure(std::string_view message, const TextValue& name);
constexpr std::string_view CANNOT_READ = "ERROR! Cannot read : ";
constexpr std::string_view CANNOT_WRITE = "ERROR! Cannot write : ";
constexpr std::string_view NOT_FOUND = "File not found : ";
constexpr std::string_view WRONG_SIZE = "Wrong size : ";
constexpr std::string_view INCOMPLETE_SET = "ERROR! Incomplete file set!";
