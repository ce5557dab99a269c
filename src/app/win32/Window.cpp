#include "app/win32/Window.h"

#include "platform/win32/Win32MessageBoxes.h"
#include "util/unitStdMessages.h"

namespace kw::app {

void ReportUncaught(const std::exception& error) noexcept {
  try {
    win32::Win32MessageBoxes boxes;
    ShowApplicationError(boxes, error.what());
  } catch (...) {
    ::MessageBoxW(nullptr, L"An unexpected error occurred.", L"Kelderwick", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
}

void ReportUnknownError() noexcept {
  ReportUncaught(std::runtime_error("An unexpected error occurred."));
}

}  // namespace kw::app
