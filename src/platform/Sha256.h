#pragma once
// SHA-256 from the system's own cryptography: BCrypt on Windows (Win32Sha256.cpp), libcrypto
// elsewhere (native/NativeSha256.cpp). Each build links exactly one of them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest of the bytes. Raises std::runtime_error when the system cannot compute it.
Sha256Digest Sha256(std::string_view bytes);

// The first bytes of a digest as lower-case hex digits, two a byte.
inline std::string ToHex(const Sha256Digest& digest, std::size_t bytes = 32) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < bytes && i < digest.size(); ++i) {
    text += kDigits[digest[i] >> 4];
    text += kDigits[digest[i] & 0xF];
  }
  return text;
}

}  // namespace kw
