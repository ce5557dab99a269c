#pragma once
// The shell's property sheet of a file, through the shell namespace and its context menu.
#include <cstdint>
#include <string_view>

namespace kw {

class ShellProperties {
 public:
  virtual ~ShellProperties() = default;
  // Parses folder in the desktop folder, binds to it, parses name in it, gets the item's
  // context menu and invokes its "Properties" verb, owned by ownerWindow. True when the
  // invocation succeeded; false as soon as a step does not succeed. Errors raised by the
  // shell layer go to the caller.
  virtual bool ShowProperties(std::string_view folder, std::string_view name, std::uintptr_t ownerWindow) = 0;
};

}  // namespace kw
