// The messages a run ends on, and how it ends on them: on the screen with a key to end, or, with
// no console, as one line on standard error.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text_value.h"

constexpr std::string_view CANNOT_READ = "ERROR! Cannot read : ";
constexpr std::string_view CANNOT_WRITE = "ERROR! Cannot write : ";
constexpr std::string_view NOT_FOUND = "File not found : ";
constexpr std::string_view WRONG_SIZE = "Wrong size : ";
constexpr std::string_view INCOMPLETE_SET = "ERROR! Incomplete file set!";
constexpr std::string_view WRONG_CHECKSUM = "ERROR! Wrong checksum : ";

constexpr std::uint8_t PROGRESS_MARK = 0xFE;  // the filled square of prompts and progress rows

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
// above. The reason, the system's own words for the failure, ends the line on standard error
// ("...: No space left on device"); the screen shows the message alone.
void app_show_failure(std::string_view message, const TextValue& name, std::string_view reason = {});
void app_end_incomplete_set(const TextValue& line, std::string_view reason);
