#include "platform/posix/key_decoder.h"

#include <cstring>

#include "platform/cp437.h"
#include "platform/text_forms.h"

namespace {

constexpr unsigned char ESC = 0x1B;

// Scan codes of the PC keyboard (set 1) for the keys without a character.
constexpr std::uint16_t SCAN_ESCAPE = 0x01, SCAN_BACKSPACE = 0x0E, SCAN_TAB = 0x0F,
                        SCAN_ENTER = 0x1C, SCAN_F1 = 0x3B, SCAN_F6 = 0x40, SCAN_F11 = 0x85,
                        SCAN_F12 = 0x86, SCAN_HOME = 0x47, SCAN_UP = 0x48, SCAN_PAGE_UP = 0x49,
                        SCAN_LEFT = 0x4B, SCAN_CENTRE = 0x4C, SCAN_RIGHT = 0x4D, SCAN_END = 0x4F,
                        SCAN_DOWN = 0x50, SCAN_PAGE_DOWN = 0x51, SCAN_INSERT = 0x52,
                        SCAN_DELETE = 0x53;

// A sequence longer than this is nobody's key; the rest of it is skipped.
constexpr std::size_t MAX_SEQUENCE = 32;

// The US layout: each string runs along one row of keys from the scan code beside it, once
// unshifted and once with Shift.
struct KeyRow {
  const char* plain;
  const char* shifted;
  std::uint16_t first_scan_code;
};
constexpr KeyRow KEY_ROWS[] = {{"1234567890-=", "!@#$%^&*()_+", 0x02},
                               {"qwertyuiop[]", "QWERTYUIOP{}", 0x10},
                               {"asdfghjkl;'`", "ASDFGHJKL:\"~", 0x1E},
                               {"\\zxcvbnm,./", "|ZXCVBNM<>?", 0x2B}};

InputRecord key(std::uint8_t character, std::uint16_t scan_code, std::uint32_t control_state) {
  InputRecord record;
  record.kind = InputEventKind::key;
  record.key_down = true;
  record.repeat_count = 1;
  record.character = character;
  record.scan_code = scan_code;
  record.control_state = control_state;
  return record;
}

// The control-key flags of an xterm modifier parameter (1 + Shift 1, Alt 2, Ctrl 4, Meta 8).
std::uint32_t modifier_flags(int parameter) {
  if (parameter < 2) return 0;
  const int bits = parameter - 1;
  std::uint32_t flags = 0;
  if ((bits & 1) != 0) flags |= SHIFT_PRESSED;
  if ((bits & (2 | 8)) != 0) flags |= LEFT_ALT_PRESSED;
  if ((bits & 4) != 0) flags |= LEFT_CTRL_PRESSED;
  return flags;
}

// Splits "1;5" into numbers; false when anything but digits and semicolons is there (private
// markers and intermediates belong to reports and sequences that are no keys).
bool parse_parameters(const std::string& text, int numbers[2], int& count) {
  numbers[0] = numbers[1] = 0;
  count = text.empty() ? 0 : 1;
  for (char c : text) {
    if (c == ';') {
      if (count == 2) return false;
      ++count;
    } else if (c >= '0' && c <= '9') {
      int& n = numbers[count - 1];
      if (n > 9999) return false;
      n = n * 10 + (c - '0');
    } else {
      return false;
    }
  }
  return true;
}

// The key that a final letter names in CSI and SS3 sequences.
std::uint16_t scan_code_of_letter(unsigned char final_byte) {
  switch (final_byte) {
    case 'A': return SCAN_UP;
    case 'B': return SCAN_DOWN;
    case 'C': return SCAN_RIGHT;
    case 'D': return SCAN_LEFT;
    case 'E': return SCAN_CENTRE;
    case 'H': return SCAN_HOME;
    case 'F': return SCAN_END;
    case 'P': return SCAN_F1;
    case 'Q': return SCAN_F1 + 1;
    case 'R': return SCAN_F1 + 2;
    case 'S': return SCAN_F1 + 3;
    default: return 0;
  }
}

// The key that the number of a "CSI n ~" sequence names.
std::uint16_t scan_code_of_tilde(int number) {
  switch (number) {
    case 1: case 7: return SCAN_HOME;
    case 2: return SCAN_INSERT;
    case 3: return SCAN_DELETE;
    case 4: case 8: return SCAN_END;
    case 5: return SCAN_PAGE_UP;
    case 6: return SCAN_PAGE_DOWN;
    case 11: case 12: case 13: case 14: case 15:
      return static_cast<std::uint16_t>(SCAN_F1 + (number - 11));
    case 17: case 18: case 19: case 20: case 21:
      return static_cast<std::uint16_t>(SCAN_F6 + (number - 17));
    case 23: return SCAN_F11;
    case 24: return SCAN_F12;
    default: return 0;
  }
}

// A character typed as UTF-8 is text: its code-page-437 byte, or, for a character that the code
// page lacks (the pictures of its first column among them, which as bytes would act as keys),
// the bytes of the form that stands for it in texts.
InputRecord character_key(char32_t character, std::uint32_t alt) {
  InputRecord record = key(0, 0, alt);
  input_record_set_character(record, character);
  return record;
}

bool is_final_byte(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }
bool is_parameter_byte(unsigned char byte) { return byte >= 0x20 && byte <= 0x3F; }

}  // namespace

InputRecord key_for_byte(unsigned char byte) {
  switch (byte) {
    case '\r': case '\n': return key(13, SCAN_ENTER, 0);
    case 0x08: case 0x7F: return key(8, SCAN_BACKSPACE, 0);
    case '\t': return key(9, SCAN_TAB, 0);
    case ESC: return key(27, SCAN_ESCAPE, 0);
    case ' ': return key(' ', 0x39, 0);
    case 0: return key(0, 0x03, LEFT_CTRL_PRESSED);  // Ctrl+2 / Ctrl+Space
    case 28: return key(28, 0x2B, LEFT_CTRL_PRESSED);  // Ctrl+Backslash
    case 29: return key(29, 0x1B, LEFT_CTRL_PRESSED);  // Ctrl+]
    case 30: return key(30, 0x07, LEFT_CTRL_PRESSED | SHIFT_PRESSED);  // Ctrl+^
    case 31: return key(31, 0x0C, LEFT_CTRL_PRESSED | SHIFT_PRESSED);  // Ctrl+_
    default: break;
  }
  if (byte >= 1 && byte <= 26) {
    InputRecord letter = key_for_byte(static_cast<unsigned char>('a' + byte - 1));
    return key(byte, letter.scan_code, LEFT_CTRL_PRESSED);
  }
  for (const KeyRow& row : KEY_ROWS) {
    if (const char* at = std::strchr(row.plain, byte); at != nullptr && byte != 0) {
      return key(byte, static_cast<std::uint16_t>(row.first_scan_code + (at - row.plain)), 0);
    }
    if (const char* at = std::strchr(row.shifted, byte); at != nullptr && byte != 0) {
      return key(byte, static_cast<std::uint16_t>(row.first_scan_code + (at - row.shifted)),
                 SHIFT_PRESSED);
    }
  }
  // Bytes above 127 come as UTF-8 and never get here; what is left has no key of its own.
  return key(byte, 0, 0);
}

std::vector<InputRecord> KeyDecoder::feed(std::string_view bytes, std::int64_t now_ms) {
  std::vector<InputRecord> keys;
  if (bytes.empty()) return keys;
  // A pause since the last bytes settles what was held before the new bytes count.
  if (holding() && now_ms - last_byte_ms_ >= wait_ms()) give_up(keys);
  if (now_ms - last_byte_ms_ >= ESCAPE_WAIT_MS) after_cr_ = false;
  late_start_ = escape_given_ && now_ms - last_byte_ms_ < SEQUENCE_WAIT_MS;
  escape_given_ = false;
  last_byte_ms_ = now_ms;
  for (char byte : bytes) take(static_cast<unsigned char>(byte), keys);
  return keys;
}

std::vector<InputRecord> KeyDecoder::poll(std::int64_t now_ms) {
  std::vector<InputRecord> keys;
  if (holding() && now_ms - last_byte_ms_ >= wait_ms()) give_up(keys);
  return keys;
}

std::int64_t KeyDecoder::wait_ms() const {
  switch (state_) {
    case State::csi:
    case State::ss3:
    case State::linux_function:
    case State::discard:
      return SEQUENCE_WAIT_MS;
    default:
      return ESCAPE_WAIT_MS;
  }
}

void KeyDecoder::clear() {
  state_ = State::ground;
  params_.clear();
  pending_.clear();
  pending_alt_ = 0;
  after_cr_ = false;
  escape_given_ = false;
  late_start_ = false;
  late_ = false;
}

void KeyDecoder::give_up(std::vector<InputRecord>& keys) {
  // Escape alone was typed alone. A sequence that has begun and not ended is cut short, and no
  // part of it is typed; only a late [ or O with nothing behind it was typed as itself.
  if (state_ == State::escape) {
    clear();
    keys.push_back(key_for_byte(ESC));
    escape_given_ = true;
    return;
  }
  if (late_ && (state_ == State::csi || state_ == State::ss3) && params_.empty()) {
    type_late_sequence(state_ == State::csi ? "[" : "O", keys);
    return;
  }
  clear();
}

void KeyDecoder::type_late_sequence(std::string bytes, std::vector<InputRecord>& keys) {
  clear();
  for (char byte : bytes) take_ground(static_cast<unsigned char>(byte), 0, keys);
}

void KeyDecoder::take(unsigned char byte, std::vector<InputRecord>& keys) {
  const bool after_cr = after_cr_;
  after_cr_ = false;
  const bool late_start = late_start_;
  late_start_ = false;
  switch (state_) {
    case State::ground:
      if (!pending_.empty()) {
        take_utf8(byte, pending_alt_, keys);
      } else if (byte == '\n' && after_cr) {
        // CR LF is one Enter.
      } else if (late_start && (byte == '[' || byte == 'O')) {
        state_ = byte == '[' ? State::csi : State::ss3;
        params_.clear();
        late_ = true;
      } else {
        take_ground(byte, 0, keys);
      }
      return;
    case State::escape:
      if (byte == '[' || byte == 'O') {
        state_ = byte == '[' ? State::csi : State::ss3;
        params_.clear();
      } else if (byte == ESC) {
        keys.push_back(key_for_byte(ESC));  // the first of two Escapes stood alone
      } else {
        state_ = State::ground;
        take_ground(byte, LEFT_ALT_PRESSED, keys);
      }
      return;
    case State::csi:
    case State::ss3:
      if (state_ == State::csi && params_.empty() && byte == '[') {
        state_ = State::linux_function;
      } else if (is_parameter_byte(byte)) {
        params_ += static_cast<char>(byte);
        if (params_.size() > MAX_SEQUENCE) state_ = State::discard;
      } else if (is_final_byte(byte)) {
        const bool csi = state_ == State::csi;
        std::vector<InputRecord> made;
        if (csi) {
          finish_csi(byte, made);
        } else {
          finish_ss3(byte, made);
        }
        if (!late_) {
          keys.insert(keys.end(), made.begin(), made.end());
        } else if (made.empty()) {
          type_late_sequence((csi ? "[" : "O") + params_ + static_cast<char>(byte), keys);
        }
        clear();
      } else {
        // A control byte breaks the sequence off: the sequence is dropped, the byte counts.
        if (late_) {
          type_late_sequence((state_ == State::csi ? "[" : "O") + params_, keys);
        } else {
          clear();
        }
        take(byte, keys);
      }
      return;
    case State::linux_function:
      state_ = State::ground;
      if (byte >= 'A' && byte <= 'E') {
        keys.push_back(key(0, static_cast<std::uint16_t>(SCAN_F1 + (byte - 'A')), 0));
      } else if (!is_final_byte(byte) && !is_parameter_byte(byte)) {
        take(byte, keys);
      }
      return;
    case State::discard:
      if (is_final_byte(byte)) {
        clear();
      } else if (!is_parameter_byte(byte)) {
        clear();
        take(byte, keys);
      }
      return;
  }
}

void KeyDecoder::take_ground(unsigned char byte, std::uint32_t alt,
                             std::vector<InputRecord>& keys) {
  if (byte == ESC) {
    state_ = State::escape;
    return;
  }
  if (byte >= 0x80) {
    take_utf8(byte, alt, keys);
    return;
  }
  InputRecord record = key_for_byte(byte);
  record.control_state |= alt;
  keys.push_back(record);
  after_cr_ = byte == '\r';
}

void KeyDecoder::take_utf8(unsigned char byte, std::uint32_t alt, std::vector<InputRecord>& keys) {
  pending_ += static_cast<char>(byte);
  pending_alt_ = alt;
  char32_t character = 0;
  const int taken = utf8_decode(pending_, character);
  if (taken == 0) return;  // more bytes to come
  if (taken < 0) {
    // Not UTF-8: the first byte is dropped and the ones after it are looked at afresh.
    const std::string rest = pending_.substr(1);
    pending_.clear();
    pending_alt_ = 0;
    for (char next : rest) take(static_cast<unsigned char>(next), keys);
    return;
  }
  pending_.clear();
  pending_alt_ = 0;
  keys.push_back(character_key(character, alt));
}

void KeyDecoder::finish_csi(unsigned char final_byte, std::vector<InputRecord>& keys) {
  int numbers[2];
  int count = 0;
  if (!parse_parameters(params_, numbers, count)) return;
  const std::uint32_t modifiers = modifier_flags(count == 2 ? numbers[1] : 1);
  if (final_byte == '~') {
    const std::uint16_t scan_code = scan_code_of_tilde(numbers[0]);
    if (scan_code != 0) keys.push_back(key(0, scan_code, modifiers));
  } else if (final_byte == 'Z') {
    keys.push_back(key(9, SCAN_TAB, SHIFT_PRESSED));  // Shift+Tab
  } else if (const std::uint16_t scan_code = scan_code_of_letter(final_byte); scan_code != 0) {
    keys.push_back(key(0, scan_code, modifiers));
  }
}

void KeyDecoder::finish_ss3(unsigned char final_byte, std::vector<InputRecord>& keys) {
  int numbers[2];
  int count = 0;
  if (!parse_parameters(params_, numbers, count)) return;
  // Old xterms put the modifier straight behind the O ("ESC O 5 P"), newer ones after "1;".
  const int modifier = count == 2 ? numbers[1] : (count == 1 ? numbers[0] : 1);
  if (final_byte == 'M') {
    keys.push_back(key(13, SCAN_ENTER, modifier_flags(modifier)));  // keypad Enter
  } else if (const std::uint16_t scan_code = scan_code_of_letter(final_byte); scan_code != 0) {
    keys.push_back(key(0, scan_code, modifier_flags(modifier)));
  }
}
