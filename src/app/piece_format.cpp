#include "app/piece_format.h"

#include <cmath>
#include <string>

#include "files/file_names.h"
#include "text/number_format.h"
#include "text/text_ops.h"

const FixedText<13> APP_TITLE = {{'T', 'r', 'a', 'n', 'c', 'h', 'o', 'r', ' ', 'v', '2', '.', '1'}};

namespace {

bool starts_with(const TextValue& bytes, std::string_view signature) {
  return bytes.length >= signature.size() && txt_view(bytes).substr(0, signature.size()) == signature;
}

std::string_view title_text() {
  return {reinterpret_cast<const char*>(APP_TITLE.bytes), APP_TITLE.size};
}

}  // namespace

std::uint32_t app_header_length(HeaderLayout layout) {
  return layout == HeaderLayout::current ? PIECE_HEADER_SIZE : OLD_PIECE_HEADER_SIZE;
}

TextValue app_encode_count(std::int16_t piece_count) {
  const auto count = static_cast<std::uint16_t>(piece_count);
  const unsigned char count_bytes[PIECE_COUNT_SIZE] = {static_cast<unsigned char>(count & 0xFF),
                                                       static_cast<unsigned char>(count >> 8)};
  return txt_from_bytes(count_bytes, PIECE_COUNT_SIZE);
}

TextValue app_encode_header(const TextValue& extension_field, std::int16_t piece_count) {
  return txt_concat(txt_concat(txt_push_fixed(APP_TITLE), extension_field), app_encode_count(piece_count));
}

std::optional<HeaderLayout> app_header_layout(const TextValue& first_bytes) {
  if (starts_with(first_bytes, title_text())) return HeaderLayout::current;
  if (starts_with(first_bytes, OLD_SIGNATURE)) return HeaderLayout::old;
  return std::nullopt;
}

bool app_decode_header(const TextValue& first_bytes, PieceHeader& header) {
  const std::optional<HeaderLayout> layout = app_header_layout(first_bytes);
  if (!layout) return false;
  header.layout = *layout;
  if (first_bytes.length < app_header_length(header.layout)) return false;
  txt_assign(header.extension_field, txt_mid(first_bytes, SIGNATURE_SIZE + 1, EXTENSION_FIELD_SIZE));
  header.piece_count = 0;
  if (header.layout == HeaderLayout::current) {
    const unsigned char* count = first_bytes.data() + PIECE_COUNT_OFFSET;
    header.piece_count = static_cast<std::int16_t>(count[0] | (count[1] << 8));
  }
  return true;
}

bool app_has_signature(const TextValue& first_bytes) { return app_header_layout(first_bytes).has_value(); }

TextValue app_decimal(std::int32_t number) { return txt_constant(std::to_string(number)); }

TextValue app_piece_name(const TextValue& base, std::int32_t number) {
  return txt_concat(txt_concat(base, txt_constant(".")), app_decimal(number));
}

bool app_is_temporary_name(const TextValue& name) { return txt_view(name).ends_with(TEMPORARY_SUFFIX); }

std::int32_t app_piece_number(const TextValue& name, const TextValue& base) {
  const std::string_view text = txt_view(name);
  const std::string_view prefix = txt_view(base);
  if (text.size() <= prefix.size() + 1 || text.size() > prefix.size() + 6 || text.substr(0, prefix.size()) != prefix ||
      text[prefix.size()] != '.' || text[prefix.size() + 1] == '0') {
    return 0;
  }
  std::int32_t number = 0;
  for (const char digit : text.substr(prefix.size() + 1)) {
    if (digit < '0' || digit > '9') return 0;
    number = number * 10 + (digit - '0');
  }
  return number <= PIECE_LIMIT ? number : 0;
}

void app_split_name(TextValue& name, TextValue& extension_field) {
  // Only the file's own name counts: a dot in a directory name would put the pieces elsewhere,
  // and a dot that starts the name (.bashrc) makes a hidden file, not an extension.
  const auto name_start = static_cast<std::int32_t>(file_name_start(name));
  const std::uint32_t dot = txt_find(name, txt_constant("."), name_start + 1);
  if (dot == 0) return;
  // The field takes the whole characters that fit its three bytes; a character of several
  // bytes that would only partly fit is left out.
  const TextValue extension = txt_mid(name, static_cast<std::int32_t>(dot) + 1, name.length);
  const TextValue whole = txt_left(extension, file_name_whole_prefix(extension, EXTENSION_FIELD_SIZE));
  txt_assign(extension_field, txt_left(txt_concat(whole, txt_constant("   ")), EXTENSION_FIELD_SIZE));
  txt_assign(name, txt_left(name, dot));
}

SetName app_set_name(const TextValue& file_name) {
  SetName set;
  txt_assign(set.base, txt_copy(file_name));
  app_split_name(set.base, set.extension_field);
  set.has_extension = !set.extension_field.empty();
  if (set.has_extension) {
    txt_assign(set.base, txt_left(set.base, set.base.length - 1));  // the dot goes
  } else {
    txt_assign(set.extension_field, txt_constant("   "));
  }
  return set;
}

std::int16_t app_rounded_count(std::uint64_t total_length, std::uint64_t piece_size) {
  const long double count =
      std::nearbyint(static_cast<long double>(total_length) / static_cast<long double>(piece_size));
  return static_cast<std::int16_t>(count);
}

std::int16_t app_set_count(std::uint64_t piece_length, std::uint64_t pieces, std::uint64_t last_length) {
  if (pieces == 0 || piece_length == 0) return 0;
  return app_rounded_count((pieces - 1) * piece_length + last_length, piece_length);
}

SplitPlan app_plan_split(std::uint64_t source_length, std::uint64_t piece_size) {
  SplitPlan plan;
  if (piece_size <= PIECE_HEADER_SIZE) return plan;
  const std::uint64_t total = source_length + PIECE_HEADER_SIZE;
  plan.pieces = total / piece_size + 1;
  plan.last_length = total % piece_size;
  plan.fits = plan.pieces <= static_cast<std::uint64_t>(PIECE_LIMIT);
  if (plan.fits) plan.piece_count = app_rounded_count(total, piece_size);
  return plan;
}
