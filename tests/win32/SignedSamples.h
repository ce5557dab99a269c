#pragma once
// The sample programs that the build makes in the folder "signing" beside the test programs:
// unsigned.exe, signed.exe (signed with a throw-away self-signed certificate, whose root no
// system trusts), and tampered.exe (signed.exe with one byte of its data changed afterwards).
#include <windows.h>

#include <string>

#include "platform/win32/WideString.h"

namespace kw::win32::test_support {

// The signer's name in the certificate, and the company in the samples' version strings.
constexpr const char* kSampleSigner = "Kelderwick Test Signer";
constexpr const char* kSampleCompany = "Orrin Software Ltd";

// The full path of the sample of that name ("signed.exe") beside the running program.
inline std::string SignedSamplePath(const std::string& name) {
  wchar_t self[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self, length);
  folder.erase(folder.find_last_of(L'\\') + 1);
  return Narrow(folder) + "signing\\" + name;
}

}  // namespace kw::win32::test_support
