#include <gtest/gtest.h>

#include "entries/unitVerifiedPublisher.h"
#include "platform/memory/MemoryPlatform.h"

namespace kw {
namespace {

constexpr std::uint32_t kUntrustedRoot = 0x800B0109, kBadDigest = 0x80096010, kAccessDenied = 0x80070005;

struct Checks {
  MemoryPlatform sys;
  Checks() {
    for (const char* file : {"C:\\signed.exe", "C:\\plain.exe", "C:\\changed.exe", "C:\\selfsigned.exe",
                             "C:\\Windows\\system32\\notepad.exe", "C:\\Windows\\system32\\wscript.exe",
                             "C:\\locked.exe", "C:\\both.exe", "C:\\Users\\me\\hello.vbs", "C:\\doc.xyz"})
      sys.files.AddFile(file);
    sys.signatures.embedded["C:\\signed.exe"] = {0, "Contoso Ltd"};
    sys.signatures.embedded["C:\\changed.exe"] = {kBadDigest, "Contoso Ltd"};
    sys.signatures.embedded["C:\\selfsigned.exe"] = {kUntrustedRoot, "Me Myself"};
    sys.signatures.embedded["C:\\locked.exe"] = {kAccessDenied, ""};
    // Windows' own programs are signed in its catalogs, not in the files.
    sys.signatures.catalog["C:\\Windows\\system32\\notepad.exe"] = {0, "Microsoft Windows"};
    sys.signatures.catalog["C:\\Windows\\system32\\wscript.exe"] = {0, "Microsoft Windows"};
    sys.signatures.embedded["C:\\both.exe"] = {kUntrustedRoot, "Me Myself"};
    sys.signatures.catalog["C:\\both.exe"] = {0, "Microsoft Windows"};
    sys.shell.associations[".vbs"] = "wscript.exe";
    sys.shell.searchPath["wscript.exe"] = "C:\\Windows\\system32\\wscript.exe";
    sys.shell.searchPath["notepad.exe"] = "C:\\Windows\\system32\\notepad.exe";
    sys.files.networkDrives.insert('N');
    sys.files.AddFile("N:\\remote.exe");
  }
  SignatureCheck Check(const std::string& path) {
    return CheckSignature(sys.signatures, sys.shell, sys.files, path);
  }
  std::string Text(const std::string& path, const std::string& company = "") {
    const SignatureCheck check = Check(path);
    return std::string(SignatureWord(check.state)) + " | " + VerifiedPublisherText(&check, path, company);
  }
};

TEST(VerifiedPublisher, EachAnswerOfWindowsBecomesOneStateAndOneText) {
  Checks c;
  EXPECT_EQ(c.Text("C:\\signed.exe", "CONTOSO, Inc."), "valid | Contoso Ltd");
  EXPECT_EQ(c.Text("C:\\signed.exe", "Fabrikam"), "valid | Contoso Ltd (the file claims: Fabrikam)");
  EXPECT_EQ(c.Text("C:\\plain.exe", "Contoso Ltd"), "unsigned | not signed (the file claims: Contoso Ltd)");
  EXPECT_EQ(c.Text("C:\\changed.exe", "Contoso Ltd"),
            "mismatch | signature does not match the file (the file claims: Contoso Ltd)");
  EXPECT_EQ(c.Text("C:\\selfsigned.exe"), "untrusted | signer not trusted: Me Myself");
  EXPECT_EQ(c.Text("C:\\gone.exe"), "missing | file not found");
  EXPECT_EQ(c.Text("C:\\locked.exe"), "missing | the file cannot be read");
  EXPECT_EQ(c.Text("N:\\remote.exe"), "missing | not checked: the file is on another computer");
  EXPECT_EQ(c.sys.signatures.checks, 6) << "neither a missing file nor one on another computer is read";
  EXPECT_EQ(VerifiedPublisherText(nullptr, "C:\\signed.exe", "Contoso"), "being checked");

  // A catalog signs what has no signature of its own, and outranks one Windows does not trust;
  // it never hides a file changed after signing.
  EXPECT_EQ(c.Text("C:\\Windows\\system32\\notepad.exe", "Microsoft Corporation"),
            "valid | Microsoft Windows (signed in a catalog of Windows)");
  EXPECT_EQ(c.Text("C:\\both.exe"), "valid | Microsoft Windows (signed in a catalog of Windows)");
  c.sys.signatures.catalog["C:\\changed.exe"] = {0, "Microsoft Windows"};
  EXPECT_EQ(SignatureWord(c.Check("C:\\changed.exe").state), std::string("mismatch"));
  c.sys.signatures.catalog["C:\\plain.exe"] = {kUntrustedRoot, "Someone"};
  EXPECT_EQ(c.Text("C:\\plain.exe"), "untrusted | signer not trusted: Someone");

  // What runs is checked: the script host for a script, the system's copy of a bare name; the
  // details say which file that was.
  EXPECT_EQ(c.Text("C:\\Users\\me\\hello.vbs"),
            "valid | Microsoft Windows (signed in a catalog of Windows); checked C:\\Windows\\system32\\wscript.exe");
  EXPECT_EQ(c.Check("notepad.exe").file, "C:\\Windows\\system32\\notepad.exe");
  c.sys.shell.searchPath["cmd.exe"] = "C:\\Windows\\system32\\cmd.exe";
  EXPECT_EQ(c.Check("C:\\Users\\me\\start.CMD").file, "C:\\Windows\\system32\\cmd.exe");
  EXPECT_EQ(c.Text("C:\\doc.xyz"), "unsigned | not signed") << "nothing opens it: the file itself";
  EXPECT_EQ(c.Check("").file, "");

  EXPECT_EQ(MarkOf(c.Check("C:\\signed.exe")), SignatureMark::None);
  EXPECT_EQ(MarkOf(c.Check("C:\\gone.exe")), SignatureMark::NotVerified);
  EXPECT_EQ(MarkOf(c.Check("C:\\selfsigned.exe")), SignatureMark::Bad);
  EXPECT_FALSE(SameMaker("", ""));
  EXPECT_FALSE(SameMaker("Microsoftt Corp", "Microsoft Corporation"));
}

}  // namespace
}  // namespace kw
