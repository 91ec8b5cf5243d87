// Keyboard input: keys taken straight from the console's input queue and turned into short texts
// (empty: no key; one byte: the character; two bytes: 0 and the scan code of a key without a
// character or of any key pressed with Alt; two or more bytes starting with one that is not 0:
// a character that takes several bytes of text), and a line editor with echo. When a key is needed
// and no console input exists at all, the run ends (rt_end_without_console) instead of waiting
// forever.
#pragma once

#include <cstdint>

#include "platform/console_device.h"
#include "text/text_value.h"

constexpr std::uint32_t LINE_INPUT_MAX = 128;

// The control characters that keys give and the services act on.
constexpr std::uint8_t KEY_BACKSPACE = 8;
constexpr std::uint8_t KEY_ENTER = 13;
constexpr std::uint8_t KEY_ESCAPE = 27;

// Scan codes of Ctrl, the Shift keys, Alt, Caps Lock, Num Lock and Scroll Lock: never keys of
// their own when they give no character.
constexpr std::uint8_t MODIFIER_SCAN_CODES[] = {0x1D, 0x2A, 0x36, 0x38, 0x3A, 0x45, 0x46};

// The next key if one is waiting, else the empty text. Never waits (but ends the run when no
// console input exists).
TextValue con_poll_key();
// Waits for a key and gives it (one or two bytes).
TextValue con_wait_key();
// Gives up the processor for about a millisecond, for a caller that polls in a loop.
void con_yield();
// Throws away every pending input record.
void con_flush_input();
// Reads a typed line of at most LINE_INPUT_MAX bytes with echo; Enter ends it and starts a new
// line; the result does not hold the Enter. A character is taken whole or not at all, and
// Backspace erases the last character whole, however many bytes it takes.
TextValue con_input_line();

// The steps the services above are made of.
struct DecodedKey {
  std::uint8_t bytes[CHARACTER_MAX_BYTES] = {};
  std::uint8_t length = 0;  // 0 when no key was found
};
// Waits for a key that gives a character (keys without one are thrown away) and gives it.
DecodedKey con_wait_char();
void con_discard_event();
