#include "dialogs/unitAbout.h"

#include "entries/unitSysWorks.h"
#include "util/FmxUtils.h"

namespace kw {

const TPrintStyle psAboutTitle{0x00FFFFFF, fsBold | fsUnderline, "Arial", 10};
const TPrintStyle psAboutLabel{0x00F0CAA6, fsBold, "Arial", 9};
const TPrintStyle psAboutValue{0x00C0C0C0, 0, "Courier New", 9};

void BuildAboutText(RichTextPane& display, const std::string& appVersion) {
  display.Clear();
  display.BeginUpdate();
  display.AppendLine(" ");
  AppendStyledLine(display, std::string(kProductName) + " " + kProductVersion, psAboutTitle);
  AppendStyledLine(display, " ", psAboutValue);
  const std::pair<const char*, std::string> rows[] = {
      {"Build:  ", appVersion},
      {"Author:  ", kProductAuthor},
      {"WEB URL: ", kProductWebSite},
      {"Copyright:  ", kProductCopyright},
  };
  for (const auto& [label, value] : rows) {
    AppendStyled(display, label, psAboutLabel);
    AppendStyledLine(display, value, psAboutValue);
  }
  AppendStyledLine(display, " ", psAboutValue);
  AppendStyled(display,
               std::string("Click the e-mail address below to ask a question regarding ") + kProductName +
                   " or simply tell us your opinion about the software:",
               psAboutLabel);
  display.EndUpdate();
}

void ShowStartupFolders(RichTextPane& display, ShellFolders& folders) {
  const std::string common = GetSpecialFolderPath(folders, kCsidlCommonStartup);
  const std::string user = GetSpecialFolderPath(folders, kCsidlStartup);
  display.Clear();
  display.AppendLine(" ");
  AppendStyledLine(display, "cmn = " + common, psAboutLabel);
  AppendStyledLine(display, "usr = " + user, psAboutLabel);
}

void TdlgAbout::FormShow(RichTextPane& display) { BuildAboutText(display, appVersion_); }

void TdlgAbout::DisplayKeyDown(RichTextPane& display, int key) {
  if (key == kVkF3) ShowStartupFolders(display, platform_.folders);
}

void TdlgAbout::Label1Click() {
  LaunchFile(platform_.shell, std::string("mailto:") + kSupportAddress, "", "", kSwShow);
}

}  // namespace kw
