#pragma once
// Authenticode signatures of program files, as Windows checks them: a file's own (embedded)
// signature, and the system's catalogs, which sign most of Windows' own programs.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

// What one check of a signature answered: the check's result (0 when Windows trusts the
// signature, else the HRESULT of the failure, e.g. 0x800B0100 for no signature), and the name
// of the certificate that signed it wherever the signature could be read, trusted or not.
struct TrustResult {
  std::uint32_t result = 0;
  std::string signer;
};

class Signatures {
 public:
  virtual ~Signatures() = default;
  // The file's own signature: its digest against the file, and its certificate chain, checked
  // without asking anyone (no network, no window).
  virtual TrustResult VerifyEmbedded(std::string_view path) = 0;
  // The file as a member of the system catalog that holds its hash; nullopt when no catalog
  // does (or the system keeps none).
  virtual std::optional<TrustResult> VerifyInCatalog(std::string_view path) = 0;
  // What tells this version of the file from any other, as the checks would read it: its
  // identity on its volume, its size and the times it was made and last written, as one text.
  // A file written, replaced or renamed over gets another. Empty when the file cannot be asked
  // (missing, no access).
  virtual std::string FileStamp(std::string_view path) = 0;
};

}  // namespace kw
