#include "console/keyboard.h"

#include <algorithm>
#include <cstring>

#include "console/device_in_use.h"
#include "console/screen.h"
#include "frame/runtime_state.h"
#include "frame/ending.h"
#include "platform/console_device.h"

namespace {

bool is_modifier(std::uint16_t scan_code) {
  const auto low = static_cast<std::uint8_t>(scan_code & 0xFF);
  for (std::uint8_t modifier : MODIFIER_SCAN_CODES) {
    if (low == modifier) return true;
  }
  return false;
}

// A key that a waiting service needs can never come: the run ends instead of hanging.
void end_run_when_no_input(InputPeek peek) {
  if (peek == InputPeek::no_input) rt_end_without_console();
}

// A key or line that cannot be stored is lost, without an error.
TextValue key_text(const DecodedKey& key) { return txt_push_fixed(key.bytes, key.length); }

}  // namespace

void con_discard_event() {
  InputRecord record;
  con_device().read_input(record);
}

// Looks at the queue without taking the key that it finds; everything that is not a key press
// (releases, mouse and other events, modifier keys alone) is removed on the way.
static DecodedKey peek_key(InputPeek* outcome) {
  DecodedKey key;
  for (;;) {
    InputRecord record;
    const InputPeek peek = con_device().peek_input(record);
    if (outcome != nullptr) *outcome = peek;
    if (peek != InputPeek::record) return key;
    if (record.kind == InputEventKind::key && record.key_down) {
      if (record.character != 0) {
        if ((record.control_state & (RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED)) != 0) {
          key.bytes[0] = 0;
          key.bytes[1] = static_cast<std::uint8_t>(record.scan_code & 0xFF);
          key.length = 2;
        } else {
          key.bytes[0] = record.character;
          for (int at = 0; at < record.more_count && at + 1 < CHARACTER_MAX_BYTES; ++at) {
            key.bytes[at + 1] = record.more[at];
          }
          key.length = static_cast<std::uint8_t>(1 + std::min<int>(record.more_count, CHARACTER_MAX_BYTES - 1));
        }
        return key;
      }
      if (!is_modifier(record.scan_code)) {
        key.bytes[0] = 0;
        key.bytes[1] = static_cast<std::uint8_t>(record.scan_code & 0xFF);
        key.length = 2;
        return key;
      }
    }
    con_discard_event();
  }
}

static DecodedKey read_key(InputPeek* outcome) {
  DecodedKey key = peek_key(outcome);
  if (key.length != 0) con_discard_event();
  return key;
}

// The menu polls for its answer: with no console input at all that answer can never come.
TextValue con_poll_key() {
  InputPeek outcome = InputPeek::empty;
  DecodedKey key = read_key(&outcome);
  end_run_when_no_input(outcome);
  return key_text(key);
}

TextValue con_wait_key() {
  for (;;) {
    con_device().sleep_one_millisecond();
    InputPeek outcome = InputPeek::empty;
    DecodedKey key = read_key(&outcome);
    if (key.length != 0) return key_text(key);
    end_run_when_no_input(outcome);
  }
}

void con_flush_input() { con_device().flush_input(); }

void con_yield() { con_device().sleep_one_millisecond(); }

DecodedKey con_wait_char() {
  for (;;) {
    con_device().sleep_one_millisecond();
    InputPeek outcome = InputPeek::empty;
    DecodedKey key = peek_key(&outcome);
    if (key.length == 0) {
      end_run_when_no_input(outcome);
      continue;
    }
    con_discard_event();
    if (key.bytes[0] != 0) return key;
  }
}

TextValue con_input_line() {
  con_cursor_force_show();
  unsigned char buffer[LINE_INPUT_MAX];
  std::uint32_t count = 0;
  for (;;) {
    const DecodedKey typed = con_wait_char();
    const std::uint8_t character = typed.bytes[0];
    const bool single = typed.length == 1;
    if (single && character == KEY_BACKSPACE) {
      // The last character goes whole, cell by cell, also across a row boundary.
      for (std::size_t cells = con_device().last_character_length(buffer, count); cells > 0; --cells) {
        con_cursor_back();
        con_put_char(' ');
        con_cursor_back();
        --count;
      }
    } else if (single && character == KEY_ENTER) {
      break;
    } else if ((single && character < 32) || count + typed.length > LINE_INPUT_MAX) {
      continue;
    } else {
      std::memcpy(buffer + count, typed.bytes, typed.length);
      con_write(typed.bytes, typed.length);
      count += typed.length;
    }
  }
  con_new_line();
  TextValue line = txt_push_fixed(buffer, count);
  con_cursor_restore();
  return line;
}
