// Signature checks of the sample programs the build signs (tests/win32/SignedSamples.h). Wine's
// wintrust accepts a certificate from an untrusted root, does not name the signer of a changed
// file, and keeps no catalogs; what Windows answers there instead is checked where the test
// runs on Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "platform/win32/Win32Signatures.h"
#include "win32/ShellTestSupport.h"
#include "win32/SignedSamples.h"

namespace kw::win32 {
namespace {

using test_support::kSampleSigner;
using test_support::RunningUnderWine;
using test_support::SignedSamplePath;

constexpr std::uint32_t kNoSignature = 0x800B0100;     // TRUST_E_NOSIGNATURE
constexpr std::uint32_t kBadDigest = 0x80096010;       // TRUST_E_BAD_DIGEST
constexpr std::uint32_t kUntrustedRoot = 0x800B0109;   // CERT_E_UNTRUSTEDROOT
constexpr std::uint32_t kFileNotFound = 0x80070002;    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)

TEST(Win32Signatures, EmbeddedSignaturesAndCatalogsOfTheSamples) {
  Win32Signatures signatures;
  const std::uint32_t trusted = RunningUnderWine() ? 0 : kUntrustedRoot;

  const TrustResult signedOne = signatures.VerifyEmbedded(SignedSamplePath("signed.exe"));
  EXPECT_EQ(signedOne.result, trusted);
  EXPECT_EQ(signedOne.signer, kSampleSigner);

  const TrustResult unsignedOne = signatures.VerifyEmbedded(SignedSamplePath("unsigned.exe"));
  EXPECT_EQ(unsignedOne.result, kNoSignature);
  EXPECT_EQ(unsignedOne.signer, "");

  const TrustResult tampered = signatures.VerifyEmbedded(SignedSamplePath("tampered.exe"));
  EXPECT_EQ(tampered.result, kBadDigest);
  if (RunningUnderWine())
    EXPECT_TRUE(tampered.signer.empty() || tampered.signer == kSampleSigner) << tampered.signer;
  else
    EXPECT_EQ(tampered.signer, kSampleSigner);

  const TrustResult missing = signatures.VerifyEmbedded(SignedSamplePath("missing.exe"));
  EXPECT_EQ(missing.result, kFileNotFound);
  EXPECT_EQ(missing.signer, "");

  // No catalog of the system holds a program built here, and one that cannot be read is in none.
  for (const char* name : {"signed.exe", "unsigned.exe", "tampered.exe", "missing.exe"})
    EXPECT_EQ(signatures.VerifyInCatalog(SignedSamplePath(name)), std::nullopt) << name;
}

TEST(Win32Signatures, AProgramOpenForWritingUnderANameOutsideTheCodePage) {
  test_support::ScratchFolder folder("signatures");
  ASSERT_TRUE(folder.created());
  const std::string copy = folder / "Подпись – ünïcode.exe";
  ASSERT_TRUE(::CopyFileW(Wide(SignedSamplePath("signed.exe")).c_str(), Wide(copy).c_str(), FALSE));
  // As an installer or updater holds it, sharing it with readers and writers.
  const unique_file writer(::CreateFileW(Wide(copy).c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  Win32Signatures signatures;
  const TrustResult result = signatures.VerifyEmbedded(copy);
  EXPECT_EQ(result.result, RunningUnderWine() ? 0 : kUntrustedRoot);
  EXPECT_EQ(result.signer, kSampleSigner);
  EXPECT_EQ(signatures.VerifyInCatalog(copy), std::nullopt);
}

}  // namespace
}  // namespace kw::win32
