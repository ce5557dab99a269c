#include "platform/win32/Win32ShellLinks.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "util/unitErrors.h"

#include <cstdio>

namespace kw::win32 {

namespace {

// The shell link's buffers: 255 characters with the terminator.
constexpr int kLinkBuffer = 255;

std::string SystemMessage(HRESULT hr) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message;
  if (length && text) {
    message = Narrow(std::wstring_view(text, length));
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
      message.pop_back();
  }
  if (text) ::LocalFree(text);
  if (message.empty()) {
    char code[32];
    std::snprintf(code, sizeof code, "Error 0x%08lX", static_cast<unsigned long>(hr));
    message = code;
  }
  return message;
}

}  // namespace

LinkReadResult Win32ShellLinks::Read(std::string_view linkPath) {
  LinkReadResult result;
  ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return result;
  ComPtr<IPersistFile> file = link.as<IPersistFile>(IID_IPersistFile);
  if (!file) return result;
  result.opened = true;

  file->Load(Wide(linkPath).c_str(), STGM_READ);  // a failed load leaves an empty link

  wchar_t buffer[kLinkBuffer] = {};
  if (link->GetPath(buffer, kLinkBuffer, nullptr, SLGP_RAWPATH) != S_OK) return result;
  result.pathRead = true;
  result.targetPath = Narrow(buffer);

  wchar_t arguments[kLinkBuffer] = {};
  link->GetArguments(arguments, kLinkBuffer);
  result.arguments = Narrow(arguments);

  int showCmd = 0;
  if (link->GetShowCmd(&showCmd) != S_OK) return result;
  result.showCmdRead = true;
  result.showCmd = showCmd;
  return result;
}

LinkWriteResult Win32ShellLinks::Write(std::string_view linkPath, const LinkData& data) {
  ComPtr<IShellLinkW> link;
  const HRESULT created =
      ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IShellLinkW,
                         link.put_void());
  if (FAILED(created)) throw EShellError(SystemMessage(created));
  ComPtr<IPersistFile> file = link.as<IPersistFile>(IID_IPersistFile);
  if (!file) throw EShellError("Interface not supported");

  if (FAILED(link->SetPath(Wide(data.targetPath).c_str())) ||
      FAILED(link->SetArguments(Wide(data.arguments).c_str())) || FAILED(link->SetShowCmd(data.showCmd)) ||
      FAILED(link->SetWorkingDirectory(Wide(data.workingDirectory).c_str())))
    return LinkWriteResult::PropertyRefused;

  return SUCCEEDED(file->Save(Wide(linkPath).c_str(), FALSE)) ? LinkWriteResult::Written
                                                              : LinkWriteResult::SaveFailed;
}

}  // namespace kw::win32
