#include "text/text_value.h"

#include <cstring>
#include <new>

#include "frame/errors.h"

namespace {
std::int64_t live_texts = 0;
int allocations_before_failure = -1;  // -1: never fail

unsigned char* allocate_bytes(std::uint32_t length) {
  if (allocations_before_failure == 0) return nullptr;
  if (allocations_before_failure > 0) --allocations_before_failure;
  auto* bytes = new (std::nothrow) unsigned char[length];
  if (bytes != nullptr) ++live_texts;
  return bytes;
}
}  // namespace

void TextRelease::operator()(unsigned char* bytes) const noexcept {
  if (bytes == nullptr) return;
  --live_texts;
  delete[] bytes;
}

TextValue txt_allocate(std::uint32_t length) {
  TextValue text;
  if (length == 0) return text;
  unsigned char* bytes = allocate_bytes(length);
  if (bytes == nullptr) {
    rt_raise_error(ERR_OUT_OF_MEMORY);
    return text;
  }
  text.storage.reset(bytes);
  text.length = length;
  return text;
}

TextValue txt_from_bytes(const void* bytes, std::uint32_t count) {
  TextValue text = txt_allocate(count);
  if (!text.empty()) std::memcpy(text.data(), bytes, count);
  return text;
}

TextValue txt_constant(std::string_view bytes) {
  return txt_from_bytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

TextValue txt_from_zstring(const char* bytes) {
  if (bytes == nullptr) return {};
  return txt_from_bytes(bytes, static_cast<std::uint32_t>(std::strlen(bytes)));
}

TextValue txt_copy(const TextValue& text) { return txt_from_bytes(text.data(), text.length); }

void txt_assign(TextValue& variable, TextValue&& temporary) {
  if (&variable == &temporary) return;
  variable = std::move(temporary);
}

void txt_assign(TextValue& variable, const TextValue& borrowed) {
  if (&variable == &borrowed) return;
  // The new text is in place before the old one is released, also when the copy fails.
  variable = txt_copy(borrowed);
}

void txt_assign_reuse(TextValue& variable, const TextValue& borrowed) {
  if (&variable == &borrowed) return;
  if (!borrowed.empty() && variable.length == borrowed.length) {
    std::memcpy(variable.data(), borrowed.data(), borrowed.length);
    return;
  }
  txt_assign(variable, borrowed);
}

TextValue txt_concat(const TextValue& left, const TextValue& right) {
  const std::uint64_t total = std::uint64_t{left.length} + right.length;
  if (total > UINT32_MAX) {
    rt_raise_error(ERR_OUT_OF_MEMORY);
    return {};
  }
  TextValue result = txt_allocate(static_cast<std::uint32_t>(total));
  if (result.empty()) return result;
  if (left.length != 0) std::memcpy(result.data(), left.data(), left.length);
  if (right.length != 0) std::memcpy(result.data() + left.length, right.data(), right.length);
  return result;
}

int txt_compare(const TextValue& left, const TextValue& right) {
  const std::uint32_t shorter = left.length < right.length ? left.length : right.length;
  if (shorter != 0) {
    const int order = std::memcmp(left.data(), right.data(), shorter);  // unsigned bytes
    if (order != 0) return order < 0 ? -1 : 1;
  }
  if (left.length == right.length) return 0;
  return left.length < right.length ? -1 : 1;
}

std::uint32_t txt_length(const TextValue& text) { return text.length; }

void txt_store_fixed(unsigned char* field, std::uint32_t size, const TextValue& text) {
  const std::uint32_t kept = text.length < size ? text.length : size;
  if (kept != 0) std::memcpy(field, text.data(), kept);
  std::memset(field + kept, ' ', size - kept);
}

TextValue txt_push_fixed(const unsigned char* field, std::uint32_t size) {
  if (size == 0) return {};
  unsigned char* bytes = allocate_bytes(size);
  TextValue text;
  if (bytes == nullptr) return text;  // no error is raised here
  std::memcpy(bytes, field, size);
  text.storage.reset(bytes);
  text.length = size;
  return text;
}

std::int64_t txt_live_count() { return live_texts; }

void txt_fail_allocations_after(int successes) { allocations_before_failure = successes; }
