#include "platform/posix/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_forms.h"

namespace {

struct Key {
  int character;
  int scan_code;
  std::uint32_t control_state;
  std::string more = {};  // the other bytes of a character that takes several
};

bool operator==(const Key& a, const Key& b) {
  return a.character == b.character && a.scan_code == b.scan_code &&
         a.control_state == b.control_state && a.more == b.more;
}

std::ostream& operator<<(std::ostream& out, const Key& key) {
  out << "{" << key.character << ", " << key.scan_code << ", 0x" << std::hex << key.control_state;
  for (unsigned char byte : key.more) out << ", 0x" << static_cast<int>(byte);
  return out << std::dec << "}";
}

// The key of a typed character that code page 437 lacks: the bytes of its form in a text.
Key typed(char32_t character, std::uint32_t control_state = 0) {
  std::string text;
  text_append_code(text, character);
  return {static_cast<std::uint8_t>(text[0]), 0, control_state, text.substr(1)};
}

std::vector<Key> keys_of(const std::vector<InputRecord>& records) {
  std::vector<Key> keys;
  for (const InputRecord& record : records) {
    EXPECT_EQ(record.kind, InputEventKind::key);
    EXPECT_TRUE(record.key_down);
    EXPECT_EQ(record.repeat_count, 1);
    keys.push_back({record.character, record.scan_code, record.control_state,
                    std::string(reinterpret_cast<const char*>(record.more), record.more_count)});
  }
  return keys;
}

// Feeds each chunk a millisecond after the one before, then lets every wait run out.
std::vector<Key> decode(const std::vector<std::string>& chunks) {
  KeyDecoder decoder;
  std::vector<InputRecord> records;
  std::int64_t now = 1000;
  for (const std::string& chunk : chunks) {
    for (const InputRecord& r : decoder.feed(chunk, now)) records.push_back(r);
    ++now;
  }
  for (const InputRecord& r : decoder.poll(now + KeyDecoder::SEQUENCE_WAIT_MS)) records.push_back(r);
  EXPECT_FALSE(decoder.holding());
  return keys_of(records);
}

constexpr std::uint32_t ALT = LEFT_ALT_PRESSED;
constexpr std::uint32_t CTRL = LEFT_CTRL_PRESSED;
constexpr std::uint32_t SHIFT = SHIFT_PRESSED;

struct Case {
  const char* name;
  std::vector<std::string> chunks;
  std::vector<Key> expected;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class KeyDecoderTest : public testing::TestWithParam<Case> {};

TEST_P(KeyDecoderTest, DecodesAsThePcKeyboardWould) {
  const Case& c = GetParam();
  EXPECT_EQ(decode(c.chunks), c.expected) << c.name;
}

const Case CASES[] = {
    // Characters of the US layout, with their keys' scan codes.
    {"letters", {"aZ"}, {{'a', 0x1E, 0}, {'Z', 0x2C, SHIFT}}},
    {"digits and signs", {"1!-_ `~"},
     {{'1', 0x02, 0}, {'!', 0x02, SHIFT}, {'-', 0x0C, 0}, {'_', 0x0C, SHIFT}, {' ', 0x39, 0},
      {'`', 0x29, 0}, {'~', 0x29, SHIFT}}},
    {"punctuation", {"\\|;:'\",<.>/?[]{}"},
     {{'\\', 0x2B, 0}, {'|', 0x2B, SHIFT}, {';', 0x27, 0}, {':', 0x27, SHIFT}, {'\'', 0x28, 0},
      {'"', 0x28, SHIFT}, {',', 0x33, 0}, {'<', 0x33, SHIFT}, {'.', 0x34, 0}, {'>', 0x34, SHIFT},
      {'/', 0x35, 0}, {'?', 0x35, SHIFT}, {'[', 0x1A, 0}, {']', 0x1B, 0}, {'{', 0x1A, SHIFT},
      {'}', 0x1B, SHIFT}}},
    // Keys with control characters.
    {"enter as CR", {"\r"}, {{13, 0x1C, 0}}},
    {"enter as LF", {"\n"}, {{13, 0x1C, 0}}},
    {"CR LF is one Enter", {"\r\n\r"}, {{13, 0x1C, 0}, {13, 0x1C, 0}}},
    {"CR LF split across reads", {"\r", "\n"}, {{13, 0x1C, 0}}},
    {"LF CR is two", {"\n\r"}, {{13, 0x1C, 0}, {13, 0x1C, 0}}},
    {"backspace as DEL or BS", {"\x7f\x08"}, {{8, 0x0E, 0}, {8, 0x0E, 0}}},
    {"tab", {"\t"}, {{9, 0x0F, 0}}},
    {"ctrl letters", {std::string("\x01\x03\x1a", 3)},
     {{1, 0x1E, CTRL}, {3, 0x2E, CTRL}, {26, 0x2C, CTRL}}},
    {"ctrl space", {std::string("\0", 1)}, {{0, 0x03, CTRL}}},
    // Escape alone, and with a key behind it (Alt).
    {"lone escape after a pause", {"\x1b"}, {{27, 0x01, 0}}},
    {"two escapes", {"\x1b\x1b"}, {{27, 0x01, 0}, {27, 0x01, 0}}},
    {"alt x", {"\x1bx"}, {{'x', 0x2D, ALT}}},
    {"alt shift x", {"\x1bX"}, {{'X', 0x2D, ALT | SHIFT}}},
    {"alt enter", {"\x1b\r"}, {{13, 0x1C, ALT}}},
    {"alt x split", {"\x1b", "x"}, {{'x', 0x2D, ALT}}},
    {"escape and bracket alone are a sequence cut short", {"\x1b[", "\x1bO"}, {}},
    // Sequences of xterm-like terminals.
    {"arrows", {"\x1b[A\x1b[B\x1b[C\x1b[D"}, {{0, 72, 0}, {0, 80, 0}, {0, 77, 0}, {0, 75, 0}}},
    {"arrows in cursor-key mode", {"\x1bOA\x1bOD"}, {{0, 72, 0}, {0, 75, 0}}},
    {"home end", {"\x1b[H\x1b[F\x1bOH\x1bOF\x1b[1~\x1b[4~\x1b[7~\x1b[8~"},
     {{0, 71, 0}, {0, 79, 0}, {0, 71, 0}, {0, 79, 0}, {0, 71, 0}, {0, 79, 0}, {0, 71, 0}, {0, 79, 0}}},
    {"insert delete pages", {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~"},
     {{0, 82, 0}, {0, 83, 0}, {0, 73, 0}, {0, 81, 0}}},
    {"F1 to F4 as SS3", {"\x1bOP\x1bOQ\x1bOR\x1bOS"}, {{0, 59, 0}, {0, 60, 0}, {0, 61, 0}, {0, 62, 0}}},
    {"F1 to F12 as CSI", {"\x1b[11~\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~"},
     {{0, 59, 0}, {0, 63, 0}, {0, 64, 0}, {0, 68, 0}, {0, 133, 0}, {0, 134, 0}}},
    {"linux console F1 to F5", {"\x1b[[A\x1b[[E"}, {{0, 59, 0}, {0, 63, 0}}},
    {"modifiers", {"\x1b[1;3A\x1b[1;5C\x1b[1;2B\x1b[5;5~\x1b[1;6P\x1bO5Q"},
     {{0, 72, ALT}, {0, 77, CTRL}, {0, 80, SHIFT}, {0, 73, CTRL}, {0, 59, CTRL | SHIFT}, {0, 60, CTRL}}},
    {"shift tab", {"\x1b[Z"}, {{9, 0x0F, SHIFT}}},
    {"sequence split byte by byte", {"\x1b", "[", "1", ";", "5", "C"}, {{0, 77, CTRL}}},
    {"F5 split", {"\x1b[1", "5~"}, {{0, 63, 0}}},
    // What is not a key is dropped whole.
    {"unknown CSI", {"\x1b[99~a\x1b[1;5u\x1b[?1;2c\x1b[<0;3;4Mb"}, {{'a', 0x1E, 0}, {'b', 0x30, 0}}},
    {"paste brackets", {"\x1b[200~x\x1b[201~"}, {{'x', 0x2D, 0}}},
    {"unknown SS3", {"\x1bOzq"}, {{'q', 0x10, 0}}},
    {"overlong sequence", {"\x1b[" + std::string(100, '1') + "~k"}, {{'k', 0x25, 0}}},
    {"cut short by a control byte", {"\x1b[1;\r"}, {{13, 0x1C, 0}}},
    {"cut short by a new escape", {"\x1b[1\x1b[A"}, {{0, 72, 0}}},
    {"cut short by a pause", {"\x1b[1;5"}, {}},
    // Typed UTF-8.
    {"umlaut", {"\xc3\xa4"}, {{0x84, 0, 0}}},
    {"umlaut split", {"\xc3", "\xa4"}, {{0x84, 0, 0}}},
    {"euro sign, emoji and Cyrillic come as the forms of their characters",
     {"\xe2\x82\xac\xf0\x9f\x98\x80!\xd0\x96"}, {typed(U'\u20ac'), typed(U'\U0001F600'), {'!', 0x02, SHIFT}, typed(U'\u0416')}},
    {"a character split across reads", {"\xf0\x9f", "\x98", "\x80"}, {typed(U'\U0001F600')}},
    {"block and box glyphs", {"\xe2\x96\xa0\xe2\x95\x90"}, {{0xFE, 0, 0}, {0xCD, 0, 0}}},
    // As bytes they would be keys (Ctrl+M, Ctrl+A): they are characters.
    {"pictures of control bytes come as forms", {"\xe2\x99\xaa\xe2\x98\xba"}, {typed(U'\u266a'), typed(U'\u263a')}},
    {"alt umlaut", {"\x1b\xc3\xa4"}, {{0x84, 0, ALT}}},
    {"alt Cyrillic", {"\x1b\xd0\x96"}, {typed(U'\u0416', ALT)}},
    {"invalid bytes", {"\xff" "a\x80" "b\xc3" "c\xe0\x80\x80" "d"},
     {{'a', 0x1E, 0}, {'b', 0x30, 0}, {'c', 0x2E, 0}, {'d', 0x20, 0}}},
    {"unfinished character at a pause", {"\xe2\x82"}, {}},
};

INSTANTIATE_TEST_SUITE_P(Table, KeyDecoderTest, testing::ValuesIn(CASES));

// Bytes as they come over a slow link: each chunk at its time in milliseconds; an empty chunk
// is a look for keys with no bytes (poll).
struct Timed {
  const char* name;
  std::vector<std::pair<std::int64_t, std::string>> chunks;
  std::vector<Key> expected;
};

void PrintTo(const Timed& t, std::ostream* out) { *out << t.name; }

class KeyDecoderTiming : public testing::TestWithParam<Timed> {};

TEST_P(KeyDecoderTiming, WaitsForTheRestOfASequenceButNotForEscape) {
  const Timed& t = GetParam();
  KeyDecoder decoder;
  std::vector<InputRecord> records;
  for (const auto& [at, bytes] : t.chunks) {
    const std::vector<InputRecord> got = bytes.empty() ? decoder.poll(at) : decoder.feed(bytes, at);
    records.insert(records.end(), got.begin(), got.end());
  }
  EXPECT_EQ(keys_of(records), t.expected) << t.name;
}

constexpr std::int64_t ESC_WAIT = KeyDecoder::ESCAPE_WAIT_MS;
constexpr std::int64_t SEQ_WAIT = KeyDecoder::SEQUENCE_WAIT_MS;
static_assert(ESC_WAIT <= 50, "a lone Escape acts within 50 ms");

const Timed TIMED[] = {
    {"lone escape acts once its short wait is over", {{0, "\x1b"}, {ESC_WAIT - 1, ""}, {ESC_WAIT, ""}}, {{27, 1, 0}}},
    {"lone escape is no longer held after its wait", {{0, "\x1b"}, {ESC_WAIT, ""}, {SEQ_WAIT, ""}}, {{27, 1, 0}}},
    {"key after a pause is not alt", {{0, "\x1b"}, {ESC_WAIT, "x"}}, {{27, 1, 0}, {'x', 0x2D, 0}}},
    {"sequence split over 300 ms", {{0, "\x1b["}, {100, ""}, {300, "A"}}, {{0, 72, 0}}},
    {"parameters split over 900 ms", {{0, "\x1b[1"}, {500, ""}, {900, "5~"}}, {{0, 63, 0}}},
    {"sequence that never ends is dropped whole", {{0, "\x1b[1;5"}, {SEQ_WAIT, ""}, {SEQ_WAIT + 1, "a"}}, {{'a', 0x1E, 0}}},
    {"bytes a whole wait late are typed", {{0, "\x1b["}, {SEQ_WAIT, "A"}}, {{'A', 0x1E, SHIFT}}},
    // The Escape has acted already; the rest of its sequence, cut off from it, is not typed.
    {"rest of a sequence behind a lone escape", {{0, "\x1b"}, {ESC_WAIT, ""}, {60, "[A"}}, {{27, 1, 0}}},
    {"rest cut twice", {{0, "\x1b"}, {60, "[1"}, {700, "5~x"}}, {{27, 1, 0}, {'x', 0x2D, 0}}},
    {"rest of a SS3 sequence", {{0, "\x1b"}, {60, "O"}, {400, "P"}}, {{27, 1, 0}}},
    {"cut rest never ending", {{0, "\x1b"}, {60, "[5"}, {60 + SEQ_WAIT, ""}}, {{27, 1, 0}}},
    // Text typed behind an Escape is text.
    {"bracket and letters", {{0, "\x1b"}, {60, "Ou"}}, {{27, 1, 0}, {'O', 0x18, SHIFT}, {'u', 0x16, 0}}},
    {"letter O alone", {{0, "\x1b"}, {60, "O"}, {60 + SEQ_WAIT, ""}}, {{27, 1, 0}, {'O', 0x18, SHIFT}}},
    {"letter O and enter", {{0, "\x1b"}, {60, "O\r"}}, {{27, 1, 0}, {'O', 0x18, SHIFT}, {13, 0x1C, 0}}},
    {"bracket long after escape", {{0, "\x1b"}, {ESC_WAIT, ""}, {SEQ_WAIT, "[A"}}, {{27, 1, 0}, {'[', 0x1A, 0}, {'A', 0x1E, SHIFT}}},
    {"bracket after escape and a key", {{0, "\x1b"}, {60, "x"}, {70, "[A"}},
     {{27, 1, 0}, {'x', 0x2D, 0}, {'[', 0x1A, 0}, {'A', 0x1E, SHIFT}}},
};

INSTANTIATE_TEST_SUITE_P(Table, KeyDecoderTiming, testing::ValuesIn(TIMED));

TEST(KeyDecoderPause, LfLongAfterCrIsItsOwnEnter) {
  KeyDecoder decoder;
  EXPECT_EQ(decoder.feed("\r", 100).size(), 1u);
  EXPECT_EQ(decoder.feed("\n", 100 + KeyDecoder::ESCAPE_WAIT_MS).size(), 1u);
}

TEST(KeyDecoderPause, ClearForgetsAHeldSequence) {
  KeyDecoder decoder;
  EXPECT_TRUE(decoder.feed("\x1b[1;", 100).empty());
  decoder.clear();
  EXPECT_FALSE(decoder.holding());
  EXPECT_EQ(keys_of(decoder.feed("5C", 101)), (std::vector<Key>{{'5', 0x06, 0}, {'C', 0x2E, SHIFT}}));
}

}  // namespace
