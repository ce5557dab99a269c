#pragma once
#include "platform/Signatures.h"

namespace kw::win32 {

// Authenticode through WinVerifyTrust, and catalog membership through the catalog database,
// both from wintrust (loaded from the system folder). Nothing is fetched from the network and
// no window is shown; failures come back as results, never as exceptions.
class Win32Signatures : public Signatures {
 public:
  TrustResult VerifyEmbedded(std::string_view path) noexcept override;
  std::optional<TrustResult> VerifyInCatalog(std::string_view path) noexcept override;
  std::string FileStamp(std::string_view path) noexcept override;
};

}  // namespace kw::win32
