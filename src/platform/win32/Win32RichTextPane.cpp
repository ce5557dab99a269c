#include "platform/win32/Win32RichTextPane.h"

#include <richedit.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/win32/WideString.h"

namespace kw::win32 {

bool LoadRichEditLibrary() {
  // From the system folder by its full path: a bare name would be looked for in the
  // program's folder first.
  static const HMODULE library = [] {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return static_cast<HMODULE>(nullptr);
    return ::LoadLibraryW((std::wstring(folder, length) + L"\\riched20.dll").c_str());
  }();
  return library != nullptr;
}

CHARFORMAT2W ToCharFormat(const TPrintStyle& style) {
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_FACE | CFM_SIZE;
  format.crTextColor = style.Color;  // both are 0x00BBGGRR
  if (style.Style & fsBold) format.dwEffects |= CFE_BOLD;
  if (style.Style & fsItalic) format.dwEffects |= CFE_ITALIC;
  if (style.Style & fsUnderline) format.dwEffects |= CFE_UNDERLINE;
  if (style.Style & fsStrikeOut) format.dwEffects |= CFE_STRIKEOUT;
  format.yHeight = style.Size * 20;  // twips
  const std::wstring face = Wide(style.Name);
  wcsncpy(format.szFaceName, face.c_str(), LF_FACESIZE - 1);
  return format;
}

LONG Win32RichTextPane::TextLength() const {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  return static_cast<LONG>(::SendMessageW(edit_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

void Win32RichTextPane::InsertAtEnd(const std::wstring& text, const CHARFORMAT2W& format) {
  const LONG end = TextLength();
  CHARRANGE at{end, end};
  ::SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&at));
  ::SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  // The inserted run takes the format; the text before it keeps its own.
  CHARRANGE run{end, TextLength()};
  ::SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&run));
  ::SendMessageW(edit_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  CHARRANGE collapsed{run.cpMax, run.cpMax};
  ::SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&collapsed));
}

void Win32RichTextPane::Clear() {
  ::SetWindowTextW(edit_, L"");
  empty_ = true;
}

void Win32RichTextPane::BeginUpdate() {
  if (updateDepth_++ == 0) ::SendMessageW(edit_, WM_SETREDRAW, FALSE, 0);
}

void Win32RichTextPane::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) {
    ::SendMessageW(edit_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(edit_, nullptr, TRUE);
  }
}

void Win32RichTextPane::AppendLine(const std::string& text) {
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  ::SendMessageW(edit_, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  InsertAtEnd((empty_ ? L"" : L"\r") + Wide(text), format);
  empty_ = false;
}

void Win32RichTextPane::AppendToLastLine(const std::string& text, const TPrintStyle& style) {
  InsertAtEnd(Wide(text), ToCharFormat(style));
  empty_ = false;
}

namespace {

struct StreamSource {
  const std::string* text;
  size_t offset;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const size_t left = source->text->size() - source->offset;
  const size_t n = left < static_cast<size_t>(wanted) ? left : static_cast<size_t>(wanted);
  std::memcpy(buffer, source->text->data() + source->offset, n);
  source->offset += n;
  *got = static_cast<LONG>(n);
  return 0;
}

}  // namespace

bool Win32RichTextPane::LoadRichText(const std::string& rtf) {
  if (rtf.rfind("{\\rtf", 0) != 0) return false;
  StreamSource source{&rtf, 0};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = &ReadRtf;
  ::SendMessageW(edit_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  empty_ = TextLength() == 0;
  return stream.dwError == 0;
}

std::string Win32RichTextPane::PlainText() const {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, 1200};
  const auto chars = ::SendMessageW(edit_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
  std::wstring text(static_cast<size_t>(chars) + 1, L'\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  get.flags = GT_USECRLF;
  get.codepage = 1200;
  const auto copied = ::SendMessageW(edit_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                     reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return Narrow(text);
}

}  // namespace kw::win32
