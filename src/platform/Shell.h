#pragma once
// The shell's default action on a file, document or URL.
#include <cstdint>
#include <string_view>

namespace kw {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens file with the shell's default verb; the result is the shell's instance value,
  // above 32 on success.
  virtual std::intptr_t Open(std::string_view file, std::string_view parameters, std::string_view folder,
                             int showCmd) = 0;
};

}  // namespace kw
