// Bytes typed at a terminal turned into key records as a PC console delivers them: the
// character in code page 437, the set-1 scan code of the key and the Ctrl/Alt/Shift state.
// A pure function of the bytes and the time they arrived, so it is tested without a terminal.
//
// Only key-down records are made: a terminal never reports releases, and the keyboard service
// throws releases away anyway.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console_device.h"

class KeyDecoder {
 public:
  // How long a lone Escape (or an unfinished sequence) waits for the next byte before it is
  // taken as typed: long enough for a sequence split by the line, short enough not to be felt.
  static constexpr std::int64_t ESCAPE_WAIT_MS = 40;

  // Decodes the bytes read at now_ms (milliseconds on a steady clock). Keys whose bytes are
  // complete come back; the start of a sequence or character is held for the next call.
  std::vector<InputRecord> feed(std::string_view bytes, std::int64_t now_ms);
  // Gives what was held once ESCAPE_WAIT_MS have passed since the last byte: a lone Escape
  // becomes the Escape key, an unfinished sequence is dropped.
  std::vector<InputRecord> poll(std::int64_t now_ms);
  // Whether bytes are held waiting for more.
  bool holding() const { return state_ != State::ground || !pending_.empty(); }
  // Forgets whatever is held (the input was flushed).
  void clear();

 private:
  enum class State : std::uint8_t { ground, escape, csi, ss3, linux_function, discard };

  void take(unsigned char byte, std::vector<InputRecord>& keys);
  void take_ground(unsigned char byte, std::uint32_t alt, std::vector<InputRecord>& keys);
  void take_utf8(unsigned char byte, std::uint32_t alt, std::vector<InputRecord>& keys);
  void finish_csi(unsigned char final_byte, std::vector<InputRecord>& keys);
  void finish_ss3(unsigned char final_byte, std::vector<InputRecord>& keys);
  void give_up(std::vector<InputRecord>& keys);

  State state_ = State::ground;
  std::string params_;            // parameter and intermediate bytes of a CSI or SS3 sequence
  std::string pending_;           // the first bytes of a UTF-8 character
  std::uint32_t pending_alt_ = 0;  // Alt held for the character in pending_
  std::int64_t last_byte_ms_ = 0;
  bool after_cr_ = false;  // a CR was the last byte: a LF right behind it is the same Enter
};

// The key record for one byte typed alone, as a US PC keyboard makes it (0 scan code when the
// byte has no key of its own).
InputRecord key_for_byte(unsigned char byte);
