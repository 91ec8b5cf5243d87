#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "platform/sha256.h"

namespace {

class LibcryptoSha256 final : public Sha256 {
 public:
  explicit LibcryptoSha256(EVP_MD_CTX* context) : context_(context) {}
  ~LibcryptoSha256() override { EVP_MD_CTX_free(context_); }
  LibcryptoSha256(const LibcryptoSha256&) = delete;
  LibcryptoSha256& operator=(const LibcryptoSha256&) = delete;

  void add(const unsigned char* bytes, std::size_t count) override { EVP_DigestUpdate(context_, bytes, count); }

  Sha256Digest finish() override {
    Sha256Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_, digest.data(), &length);
    EVP_DigestInit_ex(context_, EVP_sha256(), nullptr);
    return digest;
  }

 private:
  EVP_MD_CTX* context_;
};

}  // namespace

std::unique_ptr<Sha256> sha256_start() {
  // The digest needs nothing of the system's OpenSSL configuration: it is not read.
  static const bool ready = OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr) == 1;
  (void)ready;
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  if (context == nullptr) return nullptr;
  if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context);
    return nullptr;
  }
  return std::make_unique<LibcryptoSha256>(context);
}
