#pragma once
// The rich-text pane over a rich edit control (RichEdit20W).
#include <windows.h>
#include <richedit.h>

#include "platform/RichTextPane.h"

namespace kw::win32 {

// Loads the rich edit library once; its window class is then "RichEdit20W".
bool LoadRichEditLibrary();

class Win32RichTextPane : public RichTextPane {
 public:
  Win32RichTextPane() = default;
  explicit Win32RichTextPane(HWND edit) : edit_(edit) {}
  void Attach(HWND edit) { edit_ = edit; }
  HWND get() const { return edit_; }

  void Clear() override;
  void BeginUpdate() override;
  void EndUpdate() override;
  void AppendLine(const std::string& text) override;
  void AppendToLastLine(const std::string& text, const TPrintStyle& style) override;
  bool LoadRichText(const std::string& rtf) override;

  // The text as plain text, lines separated by "\r\n".
  std::string PlainText() const;

 private:
  LONG TextLength() const;
  void InsertAtEnd(const std::wstring& text, const CHARFORMAT2W& format);

  HWND edit_ = nullptr;
  bool empty_ = true;  // no line yet (after Clear); differs from one empty line
  int updateDepth_ = 0;
};

// The character format of a style.
CHARFORMAT2W ToCharFormat(const TPrintStyle& style);

}  // namespace kw::win32
