#pragma once
// Owning wrappers for Windows handles and COM interfaces: one template, one traits class per
// kind of handle. Each releases its handle on every path.
#include <windows.h>
#include <objbase.h>
#include <softpub.h>

#include <utility>

#include "platform/win32/SystemLibraries.h"

namespace kw::win32 {

template <typename Traits>
class unique_handle {
 public:
  using pointer = typename Traits::pointer;

  unique_handle() noexcept = default;
  explicit unique_handle(pointer value) noexcept : value_(value) {}
  unique_handle(const unique_handle&) = delete;
  unique_handle& operator=(const unique_handle&) = delete;
  unique_handle(unique_handle&& other) noexcept : value_(other.release()) {}
  unique_handle& operator=(unique_handle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_handle() { reset(); }

  pointer get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }
  pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }
  void reset(pointer value = Traits::invalid()) noexcept {
    if (value_ != Traits::invalid()) Traits::close(value_);
    value_ = value;
  }
  // For functions that return a handle through an out parameter.
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_ = Traits::invalid();
};

struct RegKeyTraits {
  using pointer = HKEY;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::RegCloseKey(h); }
};
using unique_hkey = unique_handle<RegKeyTraits>;

struct FindHandleTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { ::FindClose(h); }
};
using unique_find_handle = unique_handle<FindHandleTraits>;

struct FileHandleTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { ::CloseHandle(h); }
};
using unique_file = unique_handle<FileHandleTraits>;

// Kernel objects whose failed creation gives a null handle (mutexes, events, threads).
struct KernelHandleTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::CloseHandle(h); }
};
using unique_kernel_handle = unique_handle<KernelHandleTraits>;

// A private namespace: closed, not destroyed, so that other holders keep using it.
struct PrivateNamespaceTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::ClosePrivateNamespace(h, 0); }
};
using unique_private_namespace = unique_handle<PrivateNamespaceTraits>;

struct BoundaryDescriptorTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::DeleteBoundaryDescriptor(h); }
};
using unique_boundary_descriptor = unique_handle<BoundaryDescriptorTraits>;

struct IconTraits {
  using pointer = HICON;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::DestroyIcon(h); }
};
using unique_hicon = unique_handle<IconTraits>;

struct GdiObjectTraits {
  using pointer = HGDIOBJ;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::DeleteObject(h); }
};
using unique_gdi_object = unique_handle<GdiObjectTraits>;

// A context of the system's catalog database.
struct CatalogAdminTraits {
  using pointer = HCATADMIN;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { sys::CryptCATAdminReleaseContext(h, 0); }
};
using unique_catalog_admin = unique_handle<CatalogAdminTraits>;

// A catalog found through a context, which is needed to release it (and must outlive it).
struct CatalogInContext {
  HCATADMIN admin = nullptr;
  HCATINFO catalog = nullptr;
  bool operator==(const CatalogInContext&) const = default;
};
struct CatalogInfoTraits {
  using pointer = CatalogInContext;
  static pointer invalid() noexcept { return {}; }
  static void close(pointer h) noexcept { sys::CryptCATAdminReleaseCatalogContext(h.admin, h.catalog, 0); }
};
using unique_catalog_info = unique_handle<CatalogInfoTraits>;

// What WinVerifyTrust keeps between the verification of a file (WTD_STATEACTION_VERIFY with the
// generic Authenticode action) and its close, which frees it: the request itself, which holds
// the state.
struct TrustStateTraits {
  using pointer = WINTRUST_DATA*;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    h->dwStateAction = WTD_STATEACTION_CLOSE;
    sys::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, h);
  }
};
using unique_trust_state = unique_handle<TrustStateTraits>;

// Memory of the COM task allocator that the shell hands out (item identifier lists, texts).
template <typename T>
struct CoTaskMemTraits {
  using pointer = T*;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer p) noexcept { ::CoTaskMemFree(p); }
};
template <typename T>
using unique_cotaskmem = unique_handle<CoTaskMemTraits<T>>;

// Memory of the local heap that a function hands out (a link's data block).
template <typename T>
struct LocalMemTraits {
  using pointer = T*;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer p) noexcept { ::LocalFree(p); }
};
template <typename T>
using unique_local = unique_handle<LocalMemTraits<T>>;

// A COM string, as automation interfaces hand them out.
struct BstrTraits {
  using pointer = BSTR;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer p) noexcept { ::SysFreeString(p); }
};
using unique_bstr = unique_handle<BstrTraits>;

// A counted reference to a COM interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  // QueryInterface for another interface of the same object.
  template <typename U>
  ComPtr<U> as(REFIID iid) const noexcept {
    ComPtr<U> other;
    if (p_) p_->QueryInterface(iid, other.put_void());
    return other;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace kw::win32
