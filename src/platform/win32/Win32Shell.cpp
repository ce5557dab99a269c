#include "platform/win32/Win32Shell.h"

#include <exdisp.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

// The desktop's shell process reports nothing back: a request it took counts as started,
// which ShellExecute's convention gives as a value above 32.
constexpr std::intptr_t kTakenByTheShell = 33;

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

// A VARIANT holding a text (empty when text is empty, which the shell reads as "not given").
class TextVariant {
 public:
  explicit TextVariant(const std::wstring& text) {
    ::VariantInit(&value_);
    if (text.empty()) return;
    value_.vt = VT_BSTR;
    value_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  ~TextVariant() { ::VariantClear(&value_); }
  TextVariant(const TextVariant&) = delete;
  TextVariant& operator=(const TextVariant&) = delete;
  const VARIANT& get() const { return value_; }

 private:
  VARIANT value_;
};

// The shell's automation object of the desktop window's view, in the shell's own process:
// the desktop window, its browser, its view, the view's background object, its Application.
ComPtr<IShellDispatch2> DesktopShellDispatch() {
  ComPtr<IShellWindows> windows;
  if (FAILED(
          ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.put_void())))
    return {};
  VARIANT desktop, empty;
  ::VariantInit(&desktop);
  ::VariantInit(&empty);
  desktop.vt = VT_I4;
  desktop.lVal = CSIDL_DESKTOP;
  long window = 0;
  ComPtr<IDispatch> found;
  if (windows->FindWindowSW(&desktop, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, found.put()) != S_OK || !found)
    return {};
  ComPtr<IServiceProvider> services = found.as<IServiceProvider>(IID_IServiceProvider);
  ComPtr<IShellBrowser> browser;
  if (!services || FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())))
    return {};
  ComPtr<IShellView> view;
  if (FAILED(browser->QueryActiveShellView(view.put())) || !view) return {};
  ComPtr<IDispatch> background;
  if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) || !background) return {};
  ComPtr<IShellFolderViewDual> folderView = background.as<IShellFolderViewDual>(IID_IShellFolderViewDual);
  ComPtr<IDispatch> application;
  if (!folderView || FAILED(folderView->get_Application(application.put())) || !application) return {};
  return application.as<IShellDispatch2>(IID_IShellDispatch2);
}

}  // namespace

bool Win32Shell::IsElevated() {
  unique_kernel_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

bool Win32Shell::OpenThroughDesktop(std::string_view file, std::string_view parameters, std::string_view folder,
                                    int showCmd) {
  const ComPtr<IShellDispatch2> shell = DesktopShellDispatch();
  if (!shell) return false;
  const Bstr wfile(Wide(file));
  const TextVariant wparameters(Wide(parameters)), wfolder(Wide(folder)), verb(L"");
  VARIANT show;
  ::VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = showCmd;
  return SUCCEEDED(shell->ShellExecute(wfile.get(), wparameters.get(), wfolder.get(), verb.get(), show));
}

std::intptr_t Win32Shell::OpenInThisProcess(std::string_view file, std::string_view parameters, std::string_view folder,
                                            int showCmd) {
  const std::wstring wfile = Wide(file), wparameters = Wide(parameters), wfolder = Wide(folder);
  const HINSTANCE result =
      ::ShellExecuteW(owner_, nullptr, wfile.c_str(), OrNull(wparameters), OrNull(wfolder), showCmd);
  return reinterpret_cast<std::intptr_t>(result);
}

std::intptr_t Win32Shell::Open(std::string_view file, std::string_view parameters, std::string_view folder,
                               int showCmd) {
  // What opens a document or a web page must not inherit administrator rights. The desktop's
  // shell is asked first; where it does not answer (no shell running, another shell, a
  // session without a desktop) the program opens it itself, as a program without elevation
  // always does: a help page opened elevated is better than none.
  if (IsElevated() && OpenThroughDesktop(file, parameters, folder, showCmd)) return kTakenByTheShell;
  return OpenInThisProcess(file, parameters, folder, showCmd);
}

std::string Win32Shell::AssociatedProgram(std::string_view extension) {
  const std::wstring wextension = Wide(extension);
  std::vector<wchar_t> program(MAX_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD length = static_cast<DWORD>(program.size());
    const HRESULT result = ::AssocQueryStringW(ASSOCF_NOTRUNCATE | ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE,
                                               wextension.c_str(), nullptr, program.data(), &length);
    if (result == S_OK) return Narrow(program.data());
    if (result != E_POINTER || length <= program.size()) break;
    program.resize(length);
  }
  return "";
}

std::string Win32Shell::FindProgram(std::string_view name) {
  // The system folder and the Windows folder first, then PATH, as Windows finds the program of
  // a Run value; never the current folder or Kelderwick's own.
  wchar_t folder[MAX_PATH] = {};
  std::wstring places;
  if (const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH); length > 0 && length < MAX_PATH)
    places.append(folder, length).append(L";");
  if (const UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH); length > 0 && length < MAX_PATH)
    places.append(folder, length).append(L";");
  if (const DWORD length = ::GetEnvironmentVariableW(L"PATH", nullptr, 0); length > 0) {
    std::wstring path(length, L'\0');
    path.resize(::GetEnvironmentVariableW(L"PATH", path.data(), length));
    places += path;
  }
  const std::wstring wname = Wide(name);
  std::vector<wchar_t> found(MAX_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        ::SearchPathW(places.c_str(), wname.c_str(), L".exe", static_cast<DWORD>(found.size()), found.data(), nullptr);
    if (length == 0) return "";
    if (length < found.size()) return Narrow(std::wstring_view(found.data(), length));
    found.resize(length);
  }
  return "";
}

}  // namespace kw::win32
