#pragma once
// Locks shared by every copy of the program on the machine, whoever runs it, so that two
// copies (or two users) never change the same machine-wide data at once.
#include <memory>
#include <string_view>

namespace kw {

// Held while it lives.
class MachineLock {
 public:
  virtual ~MachineLock() = default;
};

class MachineLocks {
 public:
  virtual ~MachineLocks() = default;
  // Waits up to timeoutMs for the lock of that name; null when it could not be had in time.
  virtual std::unique_ptr<MachineLock> Acquire(std::string_view name, int timeoutMs) = 0;
};

}  // namespace kw
