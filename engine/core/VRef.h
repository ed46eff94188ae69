// A holder of one reference to a reference-counted object (anything with
// AddReference and Release, VRefCount's descendants). Constructing from a
// pointer adopts a reference the caller already owns; Share adds one. A copy
// adds a reference, a move hands it over, and the holder releases its
// reference when it is destroyed or reset.
#pragma once

#include <utility>

template <class T>
class VRef {
 public:
  VRef() = default;
  // Adopts one reference the caller owns (null: holds nothing).
  explicit VRef(T* object) : object_(object) {}
  // A holder with a new reference to the object (null: holds nothing).
  static VRef Share(T* object) {
    if (object) object->AddReference();
    return VRef(object);
  }
  ~VRef() { Reset(); }

  VRef(const VRef& other) : object_(other.object_) {
    if (object_) object_->AddReference();
  }
  VRef(VRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  VRef& operator=(const VRef& other) {
    // Add before releasing: the two may hold the same object.
    if (other.object_) other.object_->AddReference();
    Reset(other.object_);
    return *this;
  }
  VRef& operator=(VRef&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.object_, nullptr));
    return *this;
  }

  // Releases the held reference and adopts the given one.
  void Reset(T* object = nullptr) {
    T* old = std::exchange(object_, object);
    if (old) old->Release();
  }
  // Hands the held reference to the caller.
  [[nodiscard]] T* Detach() { return std::exchange(object_, nullptr); }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};
