// SHA-256 through BCrypt. bcrypt.dll is not one of the libraries Windows always takes from its
// own folder, so it is loaded by its full path in the system folder rather than imported: a
// copy planted beside the program is never loaded.
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "platform/Sha256.h"

namespace kw {

namespace {

template <typename Fn>
Fn Procedure(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// The SHA-256 provider, opened once for the life of the process.
class Sha256Provider {
 public:
  Sha256Provider() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    module_ = ::LoadLibraryW((std::wstring(folder, length) + L"\\bcrypt.dll").c_str());
    if (!module_) return;
    const auto open = Procedure<decltype(&::BCryptOpenAlgorithmProvider)>(module_, "BCryptOpenAlgorithmProvider");
    close_ = Procedure<decltype(&::BCryptCloseAlgorithmProvider)>(module_, "BCryptCloseAlgorithmProvider");
    create_ = Procedure<decltype(&::BCryptCreateHash)>(module_, "BCryptCreateHash");
    data_ = Procedure<decltype(&::BCryptHashData)>(module_, "BCryptHashData");
    finish_ = Procedure<decltype(&::BCryptFinishHash)>(module_, "BCryptFinishHash");
    destroy_ = Procedure<decltype(&::BCryptDestroyHash)>(module_, "BCryptDestroyHash");
    if (open && close_ && create_ && data_ && finish_ && destroy_ &&
        !BCRYPT_SUCCESS(open(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
      algorithm_ = nullptr;
  }
  ~Sha256Provider() {
    if (algorithm_) close_(algorithm_, 0);
    if (module_) ::FreeLibrary(module_);
  }
  Sha256Provider(const Sha256Provider&) = delete;
  Sha256Provider& operator=(const Sha256Provider&) = delete;

  bool Digest(std::string_view bytes, Sha256Digest& digest) const {
    if (!algorithm_) return false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!BCRYPT_SUCCESS(create_(algorithm_, &hash, nullptr, 0, nullptr, 0, 0))) return false;
    bool done = true;
    // BCryptHashData takes a ULONG count of bytes: long texts go in parts.
    for (size_t at = 0; done && at < bytes.size();) {
      const ULONG chunk = static_cast<ULONG>(std::min<size_t>(bytes.size() - at, 1u << 30));
      done = BCRYPT_SUCCESS(data_(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)), chunk, 0));
      at += chunk;
    }
    done = done && BCRYPT_SUCCESS(finish_(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    destroy_(hash);
    return done;
  }

 private:
  HMODULE module_ = nullptr;
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  decltype(&::BCryptCloseAlgorithmProvider) close_ = nullptr;
  decltype(&::BCryptCreateHash) create_ = nullptr;
  decltype(&::BCryptHashData) data_ = nullptr;
  decltype(&::BCryptFinishHash) finish_ = nullptr;
  decltype(&::BCryptDestroyHash) destroy_ = nullptr;
};

}  // namespace

Sha256Digest Sha256(std::string_view bytes) {
  static const Sha256Provider provider;
  Sha256Digest digest{};
  if (!provider.Digest(bytes, digest)) throw std::runtime_error("SHA-256 is not available");
  return digest;
}

}  // namespace kw
