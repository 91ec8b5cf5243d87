// SHA-256 checksums of the data the tool moves, written as sha256sum writes them: 64 lower-case
// hexadecimal digits.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/sha256.h"
#include "text/text_value.h"

struct Checksum {
  std::unique_ptr<Sha256> digest;  // null when the system gave none
};

// A new checksum of no data yet. A system that cannot make one records 7 (ERR_OUT_OF_MEMORY).
Checksum file_checksum_start();
void file_checksum_add(Checksum& checksum, const unsigned char* bytes, std::uint64_t count);
// The checksum of everything added so far, as 64 hexadecimal digits; the checksum starts afresh.
TextValue file_checksum_hex(Checksum& checksum);
// The digest of everything added so far, 32 bytes (all zero when the system gave no checksum);
// the checksum starts afresh.
Sha256Digest file_checksum_digest(Checksum& checksum);
// A digest as 64 hexadecimal digits.
TextValue file_digest_hex(const Sha256Digest& digest);
