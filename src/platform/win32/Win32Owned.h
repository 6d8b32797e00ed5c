#pragma once
// Owners of what Windows hands out: a kernel handle, a find handle, a registry key, a COM
// interface and the COM apartment. Each closes what it holds once, in its destructor, so that no
// path leaks it, an exception's included; none can be copied.
#include <objbase.h>
#include <windows.h>

#include <utility>

namespace setup::win32 {

// Value is the raw type; Valid says whether one must be closed, Close closes it.
template <typename Value, bool (*Valid)(Value), void (*Close)(Value)>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Value value) : value_(value) {}
  Owned(Owned&& other) noexcept : value_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Reset(); }

  Value Get() const { return value_; }
  explicit operator bool() const { return Valid(value_); }
  // For the API functions that hand their result back through a pointer.
  Value* Put() {
    Reset();
    return &value_;
  }
  Value Release() { return std::exchange(value_, Value{}); }
  void Reset(Value value = Value{}) {
    if (Valid(value_)) Close(value_);
    value_ = value;
  }

 private:
  Value value_{};
};

namespace detail {
// Windows marks a failed open with NULL or with INVALID_HANDLE_VALUE, by function.
inline bool HandleValid(HANDLE h) {
  return h != nullptr && h != INVALID_HANDLE_VALUE;
}
inline void HandleClose(HANDLE h) {
  CloseHandle(h);
}
inline void FindClose(HANDLE h) {
  ::FindClose(h);
}
inline bool KeyValid(HKEY key) {
  return key != nullptr;
}
inline void KeyClose(HKEY key) {
  RegCloseKey(key);
}
}  // namespace detail

using Handle = Owned<HANDLE, detail::HandleValid, detail::HandleClose>;
using FindHandle = Owned<HANDLE, detail::HandleValid, detail::FindClose>;
// Only keys that were opened or created: the predefined roots are never owned.
using RegistryKeyHandle = Owned<HKEY, detail::KeyValid, detail::KeyClose>;

// One reference to a COM interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (p_) p_->Release();
  }

  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For CoCreateInstance and QueryInterface.
  void** PutVoid() {
    if (p_) p_->Release();
    p_ = nullptr;
    return reinterpret_cast<void**>(&p_);
  }

 private:
  T* p_ = nullptr;
};

// COM on this thread in the single-threaded apartment, for as long as the object lives; shell
// links are apartment-model objects. Balanced only when the initialisation succeeded.
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

}  // namespace setup::win32
