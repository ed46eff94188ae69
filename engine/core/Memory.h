// The engine's allocator pair for large buffers, a resizing routine, a block
// copy, an in-place 16-bit byte swap and a growable byte buffer. Blocks do not
// record their size: the caller keeps it. New blocks are not cleared.
#pragma once

#include <cstdint>

// A new block of `size` bytes, or null when size < 1 or memory is exhausted.
// Release it with FreeMemory.
void* AllocateMemory(int32_t size);
// Releases a block from AllocateMemory; null is ignored.
void FreeMemory(void* block);
// Resizes the block held at *holder (which may be null) from oldSize to
// newSize bytes, keeping min(oldSize, newSize) bytes. A newSize below 1 frees
// the block and nulls the holder. On failure returns null and leaves the
// holder and its block untouched. Returns the new block (also stored).
void* ReallocateMemory(void** holder, int32_t oldSize, int32_t newSize);
// Copies count bytes from source to destination (source first). Overlapping
// ranges are copied correctly. Null pointers, equal pointers and counts below
// 1 copy nothing.
void CopyMemoryBlock(const void* source, void* destination, int32_t count);
// Swaps the two bytes of each of count 16-bit values in place (any alignment).
void SwapBytes16(void* buffer, int32_t count);

// A growable block of bytes that never shrinks. Owns its block.
class VByteBuffer {
 public:
  explicit VByteBuffer(int32_t size = 0);
  ~VByteBuffer();
  VByteBuffer(const VByteBuffer&) = delete;
  VByteBuffer& operator=(const VByteBuffer&) = delete;

  // Makes room for at least size bytes, keeping the contents; false when
  // memory is exhausted (the buffer is then unchanged).
  bool Ensure(int32_t size);
  uint8_t* GetData() const { return static_cast<uint8_t*>(block_); }
  int32_t GetCapacity() const { return capacity_; }

 private:
  void* block_ = nullptr;
  int32_t capacity_ = 0;
};
