#include "platform/sha256.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <bcrypt.h>

namespace {

// One algorithm handle for the process: opening it is the costly part.
BCRYPT_ALG_HANDLE sha256_algorithm() {
  static BCRYPT_ALG_HANDLE algorithm = [] {
    BCRYPT_ALG_HANDLE opened = nullptr;
    if (BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return BCRYPT_ALG_HANDLE{};
    return opened;
  }();
  return algorithm;
}

class CngSha256 final : public Sha256 {
 public:
  explicit CngSha256(BCRYPT_HASH_HANDLE hash) : hash_(hash) {}
  ~CngSha256() override { BCryptDestroyHash(hash_); }
  CngSha256(const CngSha256&) = delete;
  CngSha256& operator=(const CngSha256&) = delete;

  void add(const unsigned char* bytes, std::size_t count) override {
    // CNG takes at most 4 GiB - 1 in one call.
    while (count > 0) {
      const ULONG part = count > 0x40000000u ? 0x40000000u : static_cast<ULONG>(count);
      BCryptHashData(hash_, const_cast<PUCHAR>(bytes), part, 0);
      bytes += part;
      count -= part;
    }
  }

  Sha256Digest finish() override {
    Sha256Digest digest{};
    BCryptFinishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0);
    BCryptDestroyHash(hash_);
    hash_ = nullptr;
    BCryptCreateHash(sha256_algorithm(), &hash_, nullptr, 0, nullptr, 0, 0);
    return digest;
  }

 private:
  BCRYPT_HASH_HANDLE hash_;
};

}  // namespace

std::unique_ptr<Sha256> sha256_start() {
  BCRYPT_ALG_HANDLE algorithm = sha256_algorithm();
  if (algorithm == nullptr) return nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) != 0) return nullptr;
  return std::make_unique<CngSha256>(hash);
}
