#include "platform/win32/Win32ShellLinks.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <msi.h>

#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideString.h"
#include "util/unitErrors.h"

#include <cstdio>
#include <cwchar>
#include <utility>
#include <vector>

namespace kw::win32 {

namespace {

// A link stores each text with a 16-bit length, so this buffer holds any of them whole.
constexpr int kFirstBuffer = MAX_PATH;
constexpr int kLargestBuffer = 0x10000 + 1;

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

// The link object copies a text into the caller's buffer and cuts it silently when it does
// not fit; the buffer grows until the text leaves room to spare, so a long path or argument
// list is read whole (a cut one would be written back cut when the entry is enabled again).
// The buffer is terminated here, whatever the shell left in it.
template <typename Query>
std::pair<HRESULT, std::wstring> QueryText(Query query) {
  for (int size = kFirstBuffer;; size = size * 2 < kLargestBuffer ? size * 2 : kLargestBuffer) {
    std::vector<wchar_t> buffer(static_cast<size_t>(size) + 1, L'\0');
    const HRESULT hr = query(buffer.data(), size);
    const size_t length = ::wcsnlen(buffer.data(), static_cast<size_t>(size));
    if (length + 1 < static_cast<size_t>(size) || size == kLargestBuffer)
      return {hr, std::wstring(buffer.data(), length)};
  }
}

// The text as it comes back from the ANSI code page: characters outside it are replaced by
// a similar one where the code page has one ("π" by "p") and by "?" otherwise.
std::wstring ThroughAnsiCodePage(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, ansi.data(), bytes, nullptr, nullptr);
  const int chars = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, nullptr, 0);
  std::wstring back(static_cast<size_t>(chars), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, back.data(), chars);
  return back;
}

// Wine keeps a link's target in the file's location block in the ANSI code page only, so
// characters outside it come back replaced. The link's item identifier list keeps the names
// whole; its path is taken when the target read is exactly that path passed through the
// ANSI code page (or that path with "?" for the lost characters), and never otherwise.
std::wstring RestoreLostCharacters(const ComPtr<IShellLinkW>& link, std::wstring path) {
  unique_cotaskmem<ITEMIDLIST> idList;
  if (FAILED(link->GetIDList(idList.put())) || !idList) return path;
  wchar_t whole[MAX_PATH] = {};
  if (!::SHGetPathFromIDListW(idList.get(), whole)) return path;
  const std::wstring restored(whole);
  if (restored == path || restored.size() != path.size()) return path;
  if (ThroughAnsiCodePage(restored) == path) return restored;
  for (size_t i = 0; i < path.size(); ++i)
    if (path[i] != L'?' && path[i] != restored[i]) return path;
  return restored;
}

// An environment reference in a target is not a path the link object can resolve (Wine's
// takes "%SystemRoot%\x.exe" for a name relative to the current folder). The link gets the
// expanded path, and the raw one is kept beside it in the link's expandable-target block
// where the link object supports it, as Windows does for such a target.
struct Target {
  std::wstring path;  // what SetPath gets
  std::wstring raw;   // the target as given, when it differs from path
};

Target ExpandTarget(const std::wstring& target) {
  if (target.find(L'%') == std::wstring::npos) return {target, {}};
  const DWORD size = ::ExpandEnvironmentStringsW(target.c_str(), nullptr, 0);
  if (size == 0) return {target, {}};
  std::wstring expanded(size, L'\0');
  const DWORD written = ::ExpandEnvironmentStringsW(target.c_str(), expanded.data(), size);
  if (written == 0 || written > size) return {target, {}};
  expanded.resize(written - 1);
  if (expanded == target) return {target, {}};
  return {expanded, target};
}

void KeepRawTarget(const ComPtr<IShellLinkW>& link, const std::wstring& raw) {
  ComPtr<IShellLinkDataList> data = link.as<IShellLinkDataList>(IID_IShellLinkDataList);
  if (!data || raw.size() >= MAX_PATH) return;
  EXP_SZ_LINK block{};
  block.cbSize = sizeof block;
  block.dwSignature = EXP_SZ_LINK_SIG;
  ::WideCharToMultiByte(CP_ACP, 0, raw.c_str(), -1, block.szTarget, MAX_PATH, nullptr, nullptr);
  block.szTarget[MAX_PATH - 1] = '\0';
  raw.copy(block.swzTarget, MAX_PATH - 1);
  DWORD flags = 0;
  if (SUCCEEDED(data->AddDataBlock(&block)) && SUCCEEDED(data->GetFlags(&flags)))
    data->SetFlags(flags | SLDF_HAS_EXP_SZ);
}

// What a link without a file-system target stands for. An installer link carries the
// installer's descriptor of its product; any other link an item identifier list, whose
// display and parsing names the shell gives for an item outside the file system (a Control
// Panel item, a device's folder). An item list that names a file-system path the path query
// did not give is not trusted: Wine's shell reads the item lists Windows writes as garbled
// names, and Windows itself gives such a path through the path query.
void DescribeOtherTarget(const ComPtr<IShellLinkW>& link, LinkReadResult& result) {
  if (ComPtr<IShellLinkDataList> data = link.as<IShellLinkDataList>(IID_IShellLinkDataList)) {
    void* block = nullptr;
    if (SUCCEEDED(data->CopyDataBlock(EXP_DARWIN_ID_SIG, &block)) && block) {
      const unique_local<EXP_DARWIN_LINK> darwin(static_cast<EXP_DARWIN_LINK*>(block));
      std::wstring descriptor(darwin.get()->szwDarwinID, ::wcsnlen(darwin.get()->szwDarwinID, MAX_PATH));
      wchar_t product[39] = {}, feature[MAX_FEATURE_CHARS + 1] = {}, component[39] = {};
      DWORD used = 0;
      if (sys::MsiDecomposeDescriptorW(descriptor.c_str(), product, feature, component, &used) == ERROR_SUCCESS) {
        result.productCode = Narrow(product);
        result.feature = Narrow(feature);
        wchar_t name[512] = {};
        DWORD length = 512;
        if (sys::MsiGetProductInfoW(product, L"ProductName", name, &length) == ERROR_SUCCESS && length < 512)
          result.productName = Narrow(std::wstring_view(name, length));
      }
      return;
    }
  }
  unique_cotaskmem<ITEMIDLIST> idList;
  if (FAILED(link->GetIDList(idList.put())) || !idList) return;
  wchar_t fileSystemPath[MAX_PATH] = {};
  if (::SHGetPathFromIDListW(idList.get(), fileSystemPath)) return;
  unique_cotaskmem<wchar_t> name, parsing;
  if (FAILED(::SHGetNameFromIDList(idList.get(), SIGDN_NORMALDISPLAY, name.put())) || !name || !*name.get()) return;
  result.itemName = Narrow(name.get());
  if (SUCCEEDED(::SHGetNameFromIDList(idList.get(), SIGDN_DESKTOPABSOLUTEPARSING, parsing.put())) && parsing)
    result.itemPath = Narrow(parsing.get());
}

}  // namespace

ComPtr<IShellLinkW> Win32ShellLinks::NewLinkForReading() {
  ComPtr<IShellLinkW> link;
  const DWORD thread = ::GetCurrentThreadId();
  if (!factory_ || factoryThread_ != thread) {
    ComPtr<IClassFactory> factory;
    if (SUCCEEDED(::CoGetClassObject(CLSID_ShellLink, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     factory.put_void()))) {
      factory_ = factory;
      factoryThread_ = thread;
    }
  }
  if (factory_ && factoryThread_ == thread && SUCCEEDED(factory_->CreateInstance(nullptr, IID_IShellLinkW, link.put_void())))
    return link;
  ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
  return link;
}

LinkReadResult Win32ShellLinks::Read(std::string_view linkPath) {
  LinkReadResult result;
  ComPtr<IShellLinkW> link = NewLinkForReading();
  if (!link) return result;
  ComPtr<IPersistFile> file = link.as<IPersistFile>(IID_IPersistFile);
  if (!file) return result;
  result.opened = true;

  // A failed load leaves an empty link, which answers every query below with nothing.
  result.loaded = SUCCEEDED(file->Load(Wide(linkPath).c_str(), STGM_READ));

  // S_FALSE: no file-system target. Wine answers S_OK with an empty path where Windows
  // answers S_FALSE; an empty target is no file either way.
  auto [pathResult, path] =
      QueryText([&](wchar_t* buffer, int size) { return link->GetPath(buffer, size, nullptr, SLGP_RAWPATH); });
  if (pathResult == S_OK && !path.empty()) {
    result.pathRead = true;
    result.targetPath = Narrow(RestoreLostCharacters(link, std::move(path)));
  }

  result.arguments =
      Narrow(QueryText([&](wchar_t* buffer, int size) { return link->GetArguments(buffer, size); }).second);
  int showCmd = 0;
  result.showCmdRead = link->GetShowCmd(&showCmd) == S_OK;
  result.showCmd = showCmd;
  result.workingDirectory =
      Narrow(QueryText([&](wchar_t* buffer, int size) { return link->GetWorkingDirectory(buffer, size); }).second);
  int iconIndex = 0;
  result.iconPath = Narrow(QueryText([&](wchar_t* buffer, int size) {
                             return link->GetIconLocation(buffer, size, &iconIndex);
                           }).second);
  result.iconIndex = iconIndex;
  if (result.loaded && !result.pathRead) DescribeOtherTarget(link, result);
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

  // A link holds a target of fewer than MAX_PATH characters; Wine's link object stores
  // whatever is left in its path buffer for a longer one, so it is refused here.
  const Target target = ExpandTarget(Wide(data.targetPath));
  if (target.path.size() >= MAX_PATH) return LinkWriteResult::PropertyRefused;
  if (FAILED(link->SetPath(target.path.c_str()))) return LinkWriteResult::PropertyRefused;
  if (!target.raw.empty()) KeepRawTarget(link, target.raw);
  if (FAILED(link->SetArguments(Wide(data.arguments).c_str())) || FAILED(link->SetShowCmd(data.showCmd)) ||
      FAILED(link->SetWorkingDirectory(Wide(data.workingDirectory).c_str())))
    return LinkWriteResult::PropertyRefused;
  if (!data.iconPath.empty() && FAILED(link->SetIconLocation(Wide(data.iconPath).c_str(), data.iconIndex)))
    return LinkWriteResult::PropertyRefused;

  return SUCCEEDED(file->Save(Wide(linkPath).c_str(), FALSE)) ? LinkWriteResult::Written
                                                              : LinkWriteResult::SaveFailed;
}

}  // namespace kw::win32
