// Counted byte strings with value semantics. Any byte may occur, zero included; the empty text
// has no storage. A TextValue owns its bytes and is only moved, never copied behind the
// caller's back: operations read their operands by reference (borrowed) and give a new value
// (a temporary); copies are made explicitly with txt_copy. A text that cannot be allocated
// records error 7 and the operation gives the empty text instead.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

// Returns a text's storage; counts releases so tests can see that no text is left behind.
struct TextRelease {
  void operator()(unsigned char* bytes) const noexcept;
};

struct TextValue {
  std::unique_ptr<unsigned char[], TextRelease> storage;  // null exactly when length is 0
  std::uint32_t length = 0;

  TextValue() = default;
  TextValue(TextValue&&) noexcept = default;
  TextValue& operator=(TextValue&&) noexcept = default;
  TextValue(const TextValue&) = delete;
  TextValue& operator=(const TextValue&) = delete;

  const unsigned char* data() const { return storage.get(); }
  unsigned char* data() { return storage.get(); }
  bool empty() const { return length == 0; }
};

// A fixed-length text field: its bytes live in the field; nothing is allocated for it.
template <std::uint32_t Size>
struct FixedText {
  unsigned char bytes[Size] = {};
  static constexpr std::uint32_t size = Size;
};

// A new text of length bytes whose content the caller fills in. Length 0 gives the empty text;
// a failed allocation records 7 and gives the empty text.
TextValue txt_allocate(std::uint32_t length);

// A copy of a constant of the program.
TextValue txt_constant(std::string_view bytes);
// A copy of count bytes from memory (line input, directory entries, ...).
TextValue txt_from_bytes(const void* bytes, std::uint32_t count);
// The bytes before the first zero byte.
TextValue txt_from_zstring(const char* bytes);
// A copy of a borrowed text into new storage of its own.
TextValue txt_copy(const TextValue& text);

// The variable takes the temporary without a copy; its previous text is released.
void txt_assign(TextValue& variable, TextValue&& temporary);
// The variable gets its own copy of the borrowed text; assigning a variable to itself is safe.
void txt_assign(TextValue& variable, const TextValue& borrowed);
// As txt_assign of a borrowed text, but when the variable holds a text of the same length its
// storage is reused and nothing is allocated or released.
void txt_assign_reuse(TextValue& variable, const TextValue& borrowed);

TextValue txt_concat(const TextValue& left, const TextValue& right);
// Bytewise unsigned order; a shorter text that is a prefix of the other is the lesser.
// Gives -1, 0 or 1.
int txt_compare(const TextValue& left, const TextValue& right);
inline bool txt_equal(const TextValue& left, const TextValue& right) { return txt_compare(left, right) == 0; }
std::uint32_t txt_length(const TextValue& text);

// Copies min(length, size) bytes into the field and pads the rest with spaces.
void txt_store_fixed(unsigned char* field, std::uint32_t size, const TextValue& text);
template <std::uint32_t Size>
void txt_store_fixed(FixedText<Size>& field, const TextValue& text) { txt_store_fixed(field.bytes, Size, text); }
// All size bytes of the field, trailing spaces included; the empty text, with no error, when no
// memory is left.
TextValue txt_push_fixed(const unsigned char* field, std::uint32_t size);
template <std::uint32_t Size>
TextValue txt_push_fixed(const FixedText<Size>& field) { return txt_push_fixed(field.bytes, Size); }

// The bytes as a view, for code at the edge (tests, the platform layer).
inline std::string_view txt_view(const TextValue& text) {
  return {reinterpret_cast<const char*>(text.data()), text.length};
}

// Accounting for tests: how many texts are allocated now, and a way to make the next
// allocations fail (after `successes` more have succeeded; -1 switches failing off).
std::int64_t txt_live_count();
void txt_fail_allocations_after(int successes);
