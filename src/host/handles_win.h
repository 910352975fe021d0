#pragma once
// Move-only owners for the Win32 resources that we hold. The raw value stays
// reachable through get(); ownership leaves only through release().
#include <windows.h>

#include <utility>

template <typename Traits>
class ScopedResource {
 public:
  using Value = typename Traits::Value;

  ScopedResource() = default;
  explicit ScopedResource(Value value) : value_(value) {}
  ~ScopedResource() { reset(); }
  ScopedResource(const ScopedResource&) = delete;
  ScopedResource& operator=(const ScopedResource&) = delete;
  ScopedResource(ScopedResource&& other) noexcept : value_(other.release()) {}
  ScopedResource& operator=(ScopedResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  bool valid() const { return Traits::isValid(value_); }
  explicit operator bool() const { return valid(); }
  Value get() const { return value_; }
  Value release() { return std::exchange(value_, Traits::invalid()); }
  void reset(Value value = Traits::invalid()) {
    if (Traits::isValid(value_)) Traits::close(value_);
    value_ = value;
  }

 private:
  Value value_ = Traits::invalid();
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE, most other calls as null.
struct FileHandleTraits {
  using Value = HANDLE;
  static Value invalid() { return INVALID_HANDLE_VALUE; }
  static bool isValid(Value v) { return v != INVALID_HANDLE_VALUE && v != nullptr; }
  static void close(Value v) { CloseHandle(v); }
};
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr && v != INVALID_HANDLE_VALUE; }
  static void close(Value v) { CloseHandle(v); }
};
struct RegistryKeyTraits {
  using Value = HKEY;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { RegCloseKey(v); }
};
struct LocalMemoryTraits {
  using Value = HLOCAL;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { LocalFree(v); }
};
struct FindHandleTraits {
  using Value = HANDLE;
  static Value invalid() { return INVALID_HANDLE_VALUE; }
  static bool isValid(Value v) { return v != INVALID_HANDLE_VALUE && v != nullptr; }
  static void close(Value v) { FindClose(v); }
};

using ScopedFile = ScopedResource<FileHandleTraits>;
using ScopedHandle = ScopedResource<KernelHandleTraits>;
using ScopedRegistryKey = ScopedResource<RegistryKeyTraits>;
using ScopedLocalMemory = ScopedResource<LocalMemoryTraits>;
using ScopedFindHandle = ScopedResource<FindHandleTraits>;
