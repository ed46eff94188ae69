#include "engine/core/Memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

void* AllocateMemory(int32_t size) {
  if (size < 1) return nullptr;
  return std::malloc(static_cast<size_t>(size));
}

void FreeMemory(void* block) { std::free(block); }

void* ReallocateMemory(void** holder, int32_t oldSize, int32_t newSize) {
  if (holder == nullptr) return nullptr;
  if (newSize < 1) {
    FreeMemory(*holder);
    *holder = nullptr;
    return nullptr;
  }
  if (*holder == nullptr) {
    *holder = AllocateMemory(newSize);
    return *holder;
  }
  void* fresh = AllocateMemory(newSize);
  if (fresh == nullptr) return nullptr;
  CopyMemoryBlock(*holder, fresh, std::max<int32_t>(0, std::min(oldSize, newSize)));
  FreeMemory(*holder);
  *holder = fresh;
  return fresh;
}

void CopyMemoryBlock(const void* source, void* destination, int32_t count) {
  if (source == nullptr || destination == nullptr || count < 1 || source == destination) return;
  // memmove: callers shift data inside one buffer, which a forward copy would corrupt.
  std::memmove(destination, source, static_cast<size_t>(count));
}

void SwapBytes16(void* buffer, int32_t count) {
  if (buffer == nullptr || count < 1) return;
  auto* p = static_cast<uint8_t*>(buffer);
  for (int32_t i = 0; i < count; ++i, p += 2) std::swap(p[0], p[1]);
}

VByteBuffer::VByteBuffer(int32_t size) {
  if (size != 0) Ensure(size);
}

VByteBuffer::~VByteBuffer() { FreeMemory(block_); }

bool VByteBuffer::Ensure(int32_t size) {
  if (size <= capacity_) return true;
  if (ReallocateMemory(&block_, capacity_, size) == nullptr) return false;
  capacity_ = size;
  return true;
}
