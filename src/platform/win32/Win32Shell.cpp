#include "platform/win32/Win32Shell.h"

#include <shellapi.h>

#include "platform/win32/WideString.h"

namespace kw::win32 {

std::intptr_t Win32Shell::Open(std::string_view file, std::string_view parameters, std::string_view folder,
                               int showCmd) {
  const std::wstring wfile = Wide(file), wparameters = Wide(parameters), wfolder = Wide(folder);
  const HINSTANCE result =
      ::ShellExecuteW(owner_, nullptr, wfile.c_str(), OrNull(wparameters), OrNull(wfolder), showCmd);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace kw::win32
