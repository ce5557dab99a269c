#pragma once
// The About box's behaviour: the product text, the support address and the key that shows
// the two Startup folders. The dialog window (src/dialogs/win32) only turns messages into
// these calls.
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "platform/RichTextPane.h"

namespace kw {

// The About box's own styles.
extern const TPrintStyle psAboutTitle;
extern const TPrintStyle psAboutLabel;
extern const TPrintStyle psAboutValue;

// The product's fixed texts.
inline constexpr const char* kProductName = "Kelderwick";
inline constexpr const char* kProductVersion = "2.0";
inline constexpr const char* kProductAuthor = "The Velmora Software team";
inline constexpr const char* kProductWebSite = "http://www.velmora.example";
inline constexpr const char* kProductCopyright = "\xC2\xA9 2024-2026 Velmora Software";
inline constexpr const char* kSupportAddress = "support@velmora.example";

// Replaces the pane's content with the About text: the product line, the build
// (appVersion), author, web site, copyright and the invitation to write to the support
// address. Repainting is held while it is written.
void BuildAboutText(RichTextPane& display, const std::string& appVersion);

// Replaces the pane's content with the paths of the common ("cmn = ") and the user's
// ("usr = ") Startup folder.
void ShowStartupFolders(RichTextPane& display, ShellFolders& folders);

class TdlgAbout {
 public:
  TdlgAbout(Platform& platform, std::string appVersion) : platform_(platform), appVersion_(std::move(appVersion)) {}

  // Each showing builds the text anew.
  void FormShow(RichTextPane& display);
  // A key pressed in the text pane: F3, with or without Shift, Ctrl or Alt, shows the
  // Startup folders; every other key does nothing.
  void DisplayKeyDown(RichTextPane& display, int key);
  // The support address was clicked: a new message to it in the user's mail program.
  void Label1Click();

 private:
  Platform& platform_;
  std::string appVersion_;
};

}  // namespace kw
