#pragma once
// Who made the program an entry starts, as its Authenticode signature says: whether the file
// is signed, by whom, and whether Windows trusts that signature. A company named in the
// version strings is only what the file claims; the signature is checked against the file.
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/Signatures.h"

namespace kw {

enum class SignatureState {
  Valid,      // signed, the signature matches the file and Windows trusts its signer
  Unsigned,   // no signature, in the file or in a catalog of the system
  Mismatch,   // signed, but the file was changed after it was signed
  Untrusted,  // signed, but Windows does not trust the certificate (or it expired, or was revoked)
  Missing,    // no file to check, or one that cannot be read
};

struct SignatureCheck {
  SignatureState state = SignatureState::Missing;
  std::string signer;        // the signing certificate's name, wherever the signature could be read
  std::string file;          // the file that was checked
  bool catalog = false;      // signed through a catalog of the system, not in the file itself
  bool unreadable = false;   // Missing: the file is there but could not be read
  bool elsewhere = false;    // Missing: the file is on another computer, and was not read
  bool operator==(const SignatureCheck&) const = default;
};

// The console's word for a state: valid, unsigned, mismatch, untrusted or missing.
const char* SignatureWord(SignatureState state);

// What a result of Windows' trust check (an HRESULT) says of the file.
SignatureState StateOfTrustResult(std::uint32_t result);

// The file whose signature tells who made what an entry starts: the program file itself, found
// on the system's search path where it is named without a folder; for a document (a script, a
// shortcut) the program its type opens with, which is what runs. The file itself where no
// program opens it.
std::string SignatureSubject(Shell& shell, std::string_view programFile);

// Checks the signature of the file: its own signature first, then the system's catalogs
// (which sign most of Windows' own programs). A file on another computer (remote, as
// LocalFilesOnly tells) is not read: it can take minutes to hash over the network.
SignatureCheck CheckSignatureOf(Signatures& signatures, FileSystem& files, const std::string& file, bool remote);
// The same for the file that programFile runs as (SignatureSubject).
SignatureCheck CheckSignature(Signatures& signatures, Shell& shell, FileSystem& files, std::string_view programFile);

// Checks remembered by the version of the file checked (Signatures::FileStamp): a file that is
// unchanged since it was checked is not read again, one written, replaced or renamed over is.
// A refresh after every click then costs a look at each file's stamp, not a read of every
// program. A file without a stamp (missing, unreadable) or on another computer is checked
// each time. Safe for several threads.
class SignatureCache {
 public:
  SignatureCheck Check(Signatures& signatures, FileSystem& files, const std::string& file, bool remote);

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, std::pair<std::string, SignatureCheck>> checks_;  // by file: stamp, check
};

// Whether a signer's name and the company that the version strings name stand for one maker:
// their first words agree, letters and digits only and without regard to case ("Contoso Ltd"
// and "CONTOSO, Inc."; Windows' own catalog signer "Microsoft Windows" and "Microsoft
// Corporation").
bool SameMaker(std::string_view signer, std::string_view company);

// The details' "Verified publisher" text: the signer, or what is wrong; what the file claims
// when its version strings name a company that the signature does not confirm; and which file
// was checked when it is not the entry's own. check is null while the check is still running.
std::string VerifiedPublisherText(const SignatureCheck* check, std::string_view programFile,
                                  std::string_view claimedCompany);

// The mark of an entry in the list: none for a valid signature, else one that tells a file that
// is not verified (unsigned, missing) from one whose signature is wrong.
enum class SignatureMark { None = 0, NotVerified = 1, Bad = 2 };
SignatureMark MarkOf(const SignatureCheck& check);

}  // namespace kw
