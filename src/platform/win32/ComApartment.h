#pragma once
// COM for the calling thread, as a single-threaded apartment, for the object's lifetime: the
// shell's calls (shortcuts, associated icons) need it on every thread that makes them.
#include <windows.h>
#include <objbase.h>

namespace kw::win32 {

class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (ok_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace kw::win32
