// The console program's entry point: its arguments and console I/O. Everything it does is
// in console/unitConsole, on the same platform the window uses.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include "console/unitConsole.h"
#include "platform/win32/ComApartment.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/WideString.h"
#include "platform/win32/Win32Platform.h"

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetFileType(handle) == FILE_TYPE_CHAR &&
         ::GetConsoleMode(handle, &mode);
}

// UTF-8 text to a standard handle: as characters on a console, as UTF-8 bytes elsewhere.
void Write(DWORD which, const std::string& text) {
  const HANDLE handle = ::GetStdHandle(which);
  if (text.empty() || handle == INVALID_HANDLE_VALUE || handle == nullptr) return;
  if (IsConsole(handle)) {
    const std::wstring wide = kw::win32::Wide(text);
    for (size_t done = 0; done < wide.size();) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 16384));
      if (!::WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) return;
      done += written;
    }
    return;
  }
  for (size_t done = 0; done < text.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1 << 20));
    if (!::WriteFile(handle, text.data() + done, chunk, &written, nullptr) || written == 0) return;
    done += written;
  }
}

// Asks on the console; true for an answer beginning with y.
bool Ask(const std::string& question) {
  Write(STD_ERROR_HANDLE, question + " [y/N] ");
  wchar_t buffer[64] = {};
  DWORD read = 0;
  if (!::ReadConsoleW(::GetStdHandle(STD_INPUT_HANDLE), buffer, 63, &read, nullptr) || read == 0) return false;
  return buffer[0] == L'y' || buffer[0] == L'Y';
}

std::string MachineName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &size) ? kw::win32::Narrow(std::wstring_view(name, size)) : std::string();
}

std::string UtcNow() {
  SYSTEMTIME now{};
  ::GetSystemTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return text;
}

int RunConsole(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(kw::win32::Narrow(argv[i]));
  kw::win32::ComApartment com;
  kw::win32::Win32Platform system;
  kw::Platform platform = system.platform();
  std::ostringstream out, err;
  kw::console::Host host(out, err);
  host.interactive = IsConsole(::GetStdHandle(STD_INPUT_HANDLE));
  host.ask = [&err](const std::string& question) {
    Write(STD_ERROR_HANDLE, err.str());  // what was said before the question comes first
    err.str({});
    return Ask(question);
  };
  host.programVersion = KW_VERSION;
  host.machineName = MachineName();
  host.utcNow = UtcNow;
  const int code = kw::console::Run(args, platform, host);
  Write(STD_OUTPUT_HANDLE, out.str());
  Write(STD_ERROR_HANDLE, err.str());
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  kw::win32::RestrictDllSearch();
  try {
    return RunConsole(argc, argv);
  } catch (const std::exception& error) {
    Write(STD_ERROR_HANDLE, std::string("KelderwickCmd: ") + error.what() + "\n");
    return kw::console::kExitFailed;
  }
}
