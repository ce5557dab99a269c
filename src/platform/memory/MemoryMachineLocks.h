#pragma once
// Machine-wide locks within one process: the tests' copies of the program run on one thread,
// so a lock that is held when another is asked for is a fault of the code under test. It can
// be told to time out, and counts what it gave.
#include <map>
#include <memory>
#include <string>

#include "platform/MachineLocks.h"

namespace kw {

class MemoryMachineLocks : public MachineLocks {
 public:
  std::unique_ptr<MachineLock> Acquire(std::string_view name, int) override {
    if (busy) return nullptr;
    int& holders = held[std::string(name)];
    if (holders > 0) return nullptr;  // would wait for itself for ever
    ++holders;
    ++acquired;
    return std::make_unique<Held>(holders);
  }

  bool AnyHeld() const {
    for (const auto& [name, holders] : held)
      if (holders > 0) return true;
    return false;
  }

  bool busy = false;  // every Acquire times out, as when another copy holds the lock
  int acquired = 0;
  std::map<std::string, int> held;

 private:
  class Held : public MachineLock {
   public:
    explicit Held(int& holders) : holders_(holders) {}
    ~Held() override { --holders_; }

   private:
    int& holders_;
  };
};

}  // namespace kw
