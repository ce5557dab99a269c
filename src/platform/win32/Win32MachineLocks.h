#pragma once
// Machine-wide locks as mutexes in a private namespace that only administrators may open, so
// that a process without administrator rights can neither hold them nor stand in for them.
#include "platform/MachineLocks.h"

namespace kw::win32 {

class Win32MachineLocks : public MachineLocks {
 public:
  // For an administrator the lock shared by every administrator's copy; for anyone else
  // (who may change only their own entries) a lock shared by that user's copies alone.
  std::unique_ptr<MachineLock> Acquire(std::string_view name, int timeoutMs) override;
  // Whether this system has private namespaces; without them the locks fall back to
  // mutexes in the global namespace, readable only by their group.
  static bool HasPrivateNamespaces();
};

}  // namespace kw::win32
