#pragma once
#include "platform/ShellLinks.h"

namespace kw::win32 {

// Shell links through the shell's link object (IShellLinkW with IPersistFile).
class Win32ShellLinks : public ShellLinks {
 public:
  LinkReadResult Read(std::string_view linkPath) override;
  LinkWriteResult Write(std::string_view linkPath, const LinkData& link) override;
};

}  // namespace kw::win32
