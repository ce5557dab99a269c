#pragma once
#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

#include "platform/ShellLinks.h"
#include "platform/win32/Handles.h"

namespace kw::win32 {

// Shell links through the shell's link object (IShellLinkW with IPersistFile).
class Win32ShellLinks : public ShellLinks {
 public:
  LinkReadResult Read(std::string_view linkPath) override;
  LinkWriteResult Write(std::string_view linkPath, const LinkData& link) override;

 private:
  // A fresh link object for each shortcut read, made by the class's factory, which is looked
  // up once per thread rather than at every shortcut (a refresh reads hundreds). The factory
  // belongs to the apartment of the thread that got it, and is released before that thread
  // leaves COM (the platform lives inside the program's apartment).
  ComPtr<IShellLinkW> NewLinkForReading();
  ComPtr<IClassFactory> factory_;
  DWORD factoryThread_ = 0;
};

}  // namespace kw::win32
