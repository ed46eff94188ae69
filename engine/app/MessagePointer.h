// Pointers carried in engine messages. A message is three 32-bit values, but
// on this platform a pointer needs 64 bits, so a record or node that travels
// in a message (a mouse or key event, the sending control's event part) is
// registered for the duration of the dispatch and the message carries a
// 32-bit token for it. The receiver turns the token back into the pointer.
//
//   VMouseEvent event(...);
//   ScopedMessagePointer token(&event);
//   root->DispatchPostOrder(kMessageMouseDown, token.GetValue(), 0);
//   ...
//   VMouseEvent* e = MessagePointerAs<VMouseEvent>(value1);  // in a handler
//
// A token is valid only while its ScopedMessagePointer lives; afterwards (and
// for 0, or for a value that never was a token) the lookup answers null. The
// lookup also answers null when asked for another type than the one
// registered. User-interface thread only.
#pragma once

#include <cstdint>
#include <typeinfo>

namespace message_pointer_detail {
uint32_t Register(const void* pointer, const std::type_info& type);
void Unregister(uint32_t token);
const void* Resolve(uint32_t token, const std::type_info& type);
}  // namespace message_pointer_detail

class ScopedMessagePointer {
 public:
  // A null pointer gives the value 0.
  template <class T>
  explicit ScopedMessagePointer(T* pointer)
      : value_(pointer == nullptr ? 0 : message_pointer_detail::Register(pointer, typeid(T))) {}
  ~ScopedMessagePointer() {
    if (value_ != 0) message_pointer_detail::Unregister(value_);
  }
  ScopedMessagePointer(const ScopedMessagePointer&) = delete;
  ScopedMessagePointer& operator=(const ScopedMessagePointer&) = delete;

  uint32_t GetValue() const { return value_; }

 private:
  uint32_t value_;
};

// The pointer a live token stands for, when it was registered as a T*; null
// otherwise. The object belongs to the sender and stays valid only for the
// duration of the message.
template <class T>
T* MessagePointerAs(uint32_t value) {
  return static_cast<T*>(const_cast<void*>(message_pointer_detail::Resolve(value, typeid(T))));
}
