// SHA-256, the checksum of the manifest beside a set, from the system's own well-kept library
// (OpenSSL's libcrypto on POSIX, CNG on Windows), which uses the processor's SHA instructions
// where it has them.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

using Sha256Digest = std::array<unsigned char, 32>;

class Sha256 {
 public:
  virtual ~Sha256() = default;
  // Adds bytes to the data hashed so far.
  virtual void add(const unsigned char* bytes, std::size_t count) = 0;
  // The digest of everything added since the start or the last finish; the next add starts a new
  // digest.
  virtual Sha256Digest finish() = 0;
};

// A new digest; null when the system cannot make one.
std::unique_ptr<Sha256> sha256_start();
