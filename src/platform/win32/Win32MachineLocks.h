#pragma once
// Machine-wide locks as named mutexes in the global namespace, open to every user.
#include "platform/MachineLocks.h"

namespace kw::win32 {

class Win32MachineLocks : public MachineLocks {
 public:
  std::unique_ptr<MachineLock> Acquire(std::string_view name, int timeoutMs) override;
};

}  // namespace kw::win32
