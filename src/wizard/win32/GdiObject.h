#pragma once
// A GDI object (font, bitmap, brush) or icon that deletes itself.
#include <windows.h>

#include <utility>

namespace setup::view {

template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset() {
    if (handle_) Release(handle_);
    handle_ = nullptr;
  }

 private:
  Handle handle_ = nullptr;
};

inline BOOL WINAPI DeleteGdiObject(HGDIOBJ object) {
  return DeleteObject(object);
}

using OwnedGdi = Owned<HGDIOBJ, DeleteGdiObject>;
using OwnedIcon = Owned<HICON, DestroyIcon>;

// Selects an object into a device context for one scope.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace setup::view
