// Bytes typed at a terminal turned into key records as a PC console delivers them: the
// character in code page 437 (one that the code page lacks as the bytes of its form, see
// platform/text_forms.h), the set-1 scan code of the key and the Ctrl/Alt/Shift state.
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
  // How long a lone Escape (or an unfinished character) waits for the next byte before it is
  // taken as typed: short enough not to be felt.
  static constexpr std::int64_t ESCAPE_WAIT_MS = 40;
  // How long the rest of a sequence that has begun (Escape, then [ or O) is waited for: long
  // enough for a slow network link. A sequence that does not end within it is dropped whole.
  static constexpr std::int64_t SEQUENCE_WAIT_MS = 1000;

  // Decodes the bytes read at now_ms (milliseconds on a steady clock). Keys whose bytes are
  // complete come back; the start of a sequence or character is held for the next call.
  std::vector<InputRecord> feed(std::string_view bytes, std::int64_t now_ms);
  // Gives what was held once its wait has passed since the last byte: a lone Escape becomes the
  // Escape key, an unfinished sequence or character is dropped.
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
  // How long what is held may wait for its next byte.
  std::int64_t wait_ms() const;
  // A sequence that began late (see late_) and makes no key: its bytes were typed after all.
  void type_late_sequence(std::string bytes, std::vector<InputRecord>& keys);

  State state_ = State::ground;
  std::string params_;            // parameter and intermediate bytes of a CSI or SS3 sequence
  std::string pending_;           // the first bytes of a UTF-8 character
  std::uint32_t pending_alt_ = 0;  // Alt held for the character in pending_
  std::int64_t last_byte_ms_ = 0;
  bool after_cr_ = false;  // a CR was the last byte: a LF right behind it is the same Enter
  // A pause made the last Escape the Escape key. When [ or O follows it within the sequence
  // wait, it is the rest of that Escape's sequence, cut by a slow link: such a late sequence is
  // held like any other, but the key it makes is not reported again; bytes that make no key
  // count as typed.
  bool escape_given_ = false;
  bool late_start_ = false;  // the next byte is the first one behind such an Escape
  bool late_ = false;        // the sequence held began late
};

// The key record for one byte typed alone, as a US PC keyboard makes it (0 scan code when the
// byte has no key of its own).
InputRecord key_for_byte(unsigned char byte);
