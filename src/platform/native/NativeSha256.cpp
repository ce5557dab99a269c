// SHA-256 through libcrypto, for the native build.
#include <openssl/evp.h>

#include <stdexcept>

#include "platform/Sha256.h"

namespace kw {

Sha256Digest Sha256(std::string_view bytes) {
  Sha256Digest digest{};
  unsigned int length = 0;
  if (!EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) ||
      length != digest.size())
    throw std::runtime_error("SHA-256 is not available");
  return digest;
}

}  // namespace kw
