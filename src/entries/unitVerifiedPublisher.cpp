#include "entries/unitVerifiedPublisher.h"

#include <algorithm>
#include <cctype>

#include "entries/unitSysWorks.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

// Results of Windows' trust check (winerror.h).
constexpr std::uint32_t kTrustProviderUnknown = 0x800B0001;  // no provider for the file's form
constexpr std::uint32_t kTrustActionUnknown = 0x800B0002;
constexpr std::uint32_t kTrustSubjectFormUnknown = 0x800B0003;  // not a form that can carry a signature
constexpr std::uint32_t kTrustNoSignature = 0x800B0100;
constexpr std::uint32_t kTrustBadDigest = 0x80096010;           // the file changed after signing
constexpr std::uint32_t kTrustMalformedSignature = 0x80096011;  // a signature that cannot be decoded
constexpr std::uint32_t kCryptFileError = 0x80092003;           // the file could not be read
constexpr std::uint32_t kWin32Facility = 0x80070000;            // HRESULT_FROM_WIN32

// Files that Windows runs as programs; anything else is opened by the program its type names.
bool IsProgramExtension(std::string_view extension) {
  static const char* const kPrograms[] = {".exe", ".com", ".scr", ".dll", ".cpl", ".ocx", ".sys", ".drv", ".msi"};
  const std::string lower = LowerCase(extension);
  return std::any_of(std::begin(kPrograms), std::end(kPrograms), [&](const char* ext) { return lower == ext; });
}

bool HasFolder(std::string_view path) { return path.find_first_of("\\/:") != std::string_view::npos; }

// The first word of a name, its letters and digits lower-cased (ASCII); other bytes (letters
// of other scripts) are kept as they are.
std::string FirstWord(std::string_view name) {
  std::string word;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || std::isalnum(byte)) word += static_cast<char>(byte < 0x80 ? std::tolower(byte) : byte);
    else if (!word.empty()) break;
  }
  return word;
}

}  // namespace

const char* SignatureWord(SignatureState state) {
  switch (state) {
    case SignatureState::Valid: return "valid";
    case SignatureState::Unsigned: return "unsigned";
    case SignatureState::Mismatch: return "mismatch";
    case SignatureState::Untrusted: return "untrusted";
    case SignatureState::Missing: break;
  }
  return "missing";
}

SignatureState StateOfTrustResult(std::uint32_t result) {
  if (result == 0) return SignatureState::Valid;
  if (result == kTrustNoSignature || result == kTrustSubjectFormUnknown || result == kTrustProviderUnknown ||
      result == kTrustActionUnknown)
    return SignatureState::Unsigned;
  if (result == kTrustBadDigest || result == kTrustMalformedSignature) return SignatureState::Mismatch;
  if (result == kCryptFileError || (result & 0xFFFF0000u) == kWin32Facility) return SignatureState::Missing;
  // Every other answer is about the certificate: an untrusted root, a broken chain, expired,
  // revoked, explicitly distrusted, not for signing code.
  return SignatureState::Untrusted;
}

std::string SignatureSubject(Shell& shell, std::string_view programFile) {
  if (TrimRight(programFile).empty()) return "";
  const std::string extension = ExtractFileExt(programFile);
  if (extension.empty() || IsProgramExtension(extension)) {
    if (HasFolder(programFile)) return std::string(programFile);
    const std::string found = shell.FindProgram(programFile);
    return found.empty() ? std::string(programFile) : found;
  }
  // A batch file's type names the file itself as its program; the command processor runs it.
  const std::string lower = LowerCase(extension);
  std::string opener = lower == ".bat" || lower == ".cmd" ? "cmd.exe" : shell.AssociatedProgram(extension);
  if (!opener.empty() && !HasFolder(opener)) opener = shell.FindProgram(opener);
  return opener.empty() ? std::string(programFile) : opener;
}

SignatureCheck CheckSignature(Signatures& signatures, Shell& shell, FileSystem& files, std::string_view programFile) {
  const std::string file = SignatureSubject(shell, programFile);
  return CheckSignatureOf(signatures, files, file,
                          IsNetworkPath(file, [&](char letter) { return files.IsNetworkDrive(letter); }));
}

SignatureCheck CheckSignatureOf(Signatures& signatures, FileSystem& files, const std::string& file, bool remote) {
  SignatureCheck check;
  check.file = file;
  if (check.file.empty()) return check;
  if (remote) {
    check.elsewhere = true;
    return check;
  }
  if (!files.FileExists(check.file)) return check;
  const TrustResult own = signatures.VerifyEmbedded(check.file);
  check.state = StateOfTrustResult(own.result);
  check.signer = own.signer;
  check.unreadable = check.state == SignatureState::Missing;
  if (check.state != SignatureState::Unsigned && check.state != SignatureState::Untrusted) return check;
  // A file without a signature of its own (or with one Windows does not trust) may be signed
  // in a catalog of the system, as most of Windows' own programs are.
  const std::optional<TrustResult> listed = signatures.VerifyInCatalog(check.file);
  if (!listed) return check;
  const SignatureState state = StateOfTrustResult(listed->result);
  if (state == SignatureState::Valid || (check.state == SignatureState::Unsigned && state == SignatureState::Untrusted)) {
    check.state = state;
    check.signer = listed->signer;
    check.catalog = true;
  }
  return check;
}

SignatureCheck SignatureCache::Check(Signatures& signatures, FileSystem& files, const std::string& file, bool remote) {
  if (file.empty() || remote) return CheckSignatureOf(signatures, files, file, remote);
  const std::string stamp = signatures.FileStamp(file);
  if (stamp.empty()) return CheckSignatureOf(signatures, files, file, remote);
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto known = checks_.find(file);
    if (known != checks_.end() && known->second.first == stamp) return known->second.second;
  }
  SignatureCheck check = CheckSignatureOf(signatures, files, file, remote);
  const std::lock_guard<std::mutex> lock(mutex_);
  checks_[file] = {stamp, check};
  return check;
}

bool SameMaker(std::string_view signer, std::string_view company) {
  const std::string a = FirstWord(signer), b = FirstWord(company);
  return !a.empty() && a == b;
}

std::string VerifiedPublisherText(const SignatureCheck* check, std::string_view programFile,
                                  std::string_view claimedCompany) {
  if (!check) return "being checked";
  std::string text;
  switch (check->state) {
    case SignatureState::Valid:
      text = check->signer.empty() ? "signed (the signer's name cannot be read)" : check->signer;
      if (check->catalog) text += " (signed in a catalog of Windows)";
      break;
    case SignatureState::Unsigned: text = "not signed"; break;
    case SignatureState::Mismatch: text = "signature does not match the file"; break;
    case SignatureState::Untrusted:
      text = "signer not trusted";
      if (!check->signer.empty()) text += ": " + check->signer;
      break;
    case SignatureState::Missing:
      text = check->elsewhere     ? "not checked: the file is on another computer"
             : check->unreadable ? "the file cannot be read"
                                 : "file not found";
      break;
  }
  const std::string company = Trim(claimedCompany);
  if (!company.empty() && !(check->state == SignatureState::Valid && SameMaker(check->signer, company)))
    text += " (the file claims: " + company + ")";
  if (!check->file.empty() && !SameText(check->file, programFile)) text += "; checked " + check->file;
  return text;
}

SignatureMark MarkOf(const SignatureCheck& check) {
  switch (check.state) {
    case SignatureState::Valid: return SignatureMark::None;
    case SignatureState::Mismatch:
    case SignatureState::Untrusted: return SignatureMark::Bad;
    case SignatureState::Unsigned:
    case SignatureState::Missing: break;
  }
  return SignatureMark::NotVerified;
}

}  // namespace kw
