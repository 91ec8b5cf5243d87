#include "files/checksum.h"

#include "frame/errors.h"

Checksum file_checksum_start() {
  Checksum checksum{sha256_start()};
  if (!checksum.digest) rt_raise_error(ERR_OUT_OF_MEMORY);
  return checksum;
}

void file_checksum_add(Checksum& checksum, const unsigned char* bytes, std::uint64_t count) {
  if (checksum.digest && count > 0) checksum.digest->add(bytes, static_cast<std::size_t>(count));
}

TextValue file_checksum_hex(Checksum& checksum) {
  if (!checksum.digest) return TextValue{};
  return file_digest_hex(checksum.digest->finish());
}

Sha256Digest file_checksum_digest(Checksum& checksum) {
  return checksum.digest ? checksum.digest->finish() : Sha256Digest{};
}

TextValue file_digest_hex(const Sha256Digest& digest) {
  constexpr char DIGITS[] = "0123456789abcdef";
  TextValue hex = txt_allocate(2 * static_cast<std::uint32_t>(digest.size()));
  if (hex.empty()) return hex;
  for (std::size_t at = 0; at < digest.size(); ++at) {
    hex.data()[2 * at] = static_cast<unsigned char>(DIGITS[digest[at] >> 4]);
    hex.data()[2 * at + 1] = static_cast<unsigned char>(DIGITS[digest[at] & 0x0F]);
  }
  return hex;
}
