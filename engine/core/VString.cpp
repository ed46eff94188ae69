#include "engine/core/VString.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/Memory.h"

namespace {

// Buffers from this capacity up come from the large-block allocator.
constexpr int32_t kLargeBlockCapacity = 65536;

uint8_t* AllocateBuffer(int32_t capacity) {
  const int32_t bytes = capacity + 2;
  if (capacity >= kLargeBlockCapacity) return static_cast<uint8_t*>(AllocateMemory(bytes));
  return static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bytes)));
}

void ReleaseBuffer(uint8_t* buffer, int32_t capacity) {
  if (buffer == nullptr) return;
  if (capacity >= kLargeBlockCapacity) {
    FreeMemory(buffer);
  } else {
    std::free(buffer);
  }
}

// Two bytes match without case when equal, or when they differ only in bit 32
// and the one with that bit set is a letter a-z.
inline bool SameIgnoringCase(uint8_t a, uint8_t b) {
  if (a == b) return true;
  if ((a ^ b) != 32) return false;
  const uint8_t lower = a | 32;
  return lower >= 'a' && lower <= 'z';
}

inline bool MatchesAt(const uint8_t* text, const uint8_t* find, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    if (!SameIgnoringCase(text[i], find[i])) return false;
  }
  return true;
}

inline bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
inline bool IsPathSeparator(uint8_t c) { return c == ':' || c == '\\' || c == '/'; }

}  // namespace

int32_t VString::CapacityFor(int64_t n) {
  if (n <= kMinCapacity) return kMinCapacity;
  if (n > kMaxCapacity) return 0;
  int32_t capacity = kMinCapacity;
  while (capacity < n) capacity *= 2;
  return capacity;
}

VString::VString(int32_t capacity) { ReserveFor(capacity); }

VString::VString(const char* text, int32_t maximumCount) {
  int32_t count = 0;
  if (text != nullptr) {
    while (count < maximumCount && text[count] != 0) ++count;
  }
  if (ReserveFor(count) && count > 0) {
    std::memcpy(buffer_ + 1, text, static_cast<size_t>(count));
    SetLengthAndTerminator(count);
  }
}

VString::VString(const VString& other) { Assign(other); }

VString::VString(VString&& other) noexcept
    : buffer_(other.buffer_), length_(other.length_), capacity_(other.capacity_), locked_(other.locked_) {
  other.buffer_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
  other.locked_ = false;
}

VString& VString::operator=(const VString& other) {
  Assign(other);
  return *this;
}

VString& VString::operator=(VString&& other) noexcept {
  if (this != &other) {
    FreeBuffer();
    buffer_ = other.buffer_;
    length_ = other.length_;
    capacity_ = other.capacity_;
    locked_ = other.locked_;
    other.buffer_ = nullptr;
    other.length_ = 0;
    other.capacity_ = 0;
    other.locked_ = false;
  }
  return *this;
}

VString::~VString() { FreeBuffer(); }

void VString::FreeBuffer() {
  ReleaseBuffer(buffer_, capacity_);
  buffer_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

void VString::SetLengthAndTerminator(int32_t length) {
  length_ = length;
  buffer_[0] = static_cast<uint8_t>(std::min(length, 255));
  buffer_[length + 1] = 0;
}

bool VString::ReserveFor(int64_t n) {
  const int32_t capacity = CapacityFor(n);
  if (buffer_ != nullptr && capacity == capacity_) return true;
  uint8_t* fresh = capacity > 0 ? AllocateBuffer(capacity) : nullptr;
  if (fresh == nullptr) {
    FreeBuffer();
    return false;
  }
  int32_t kept = 0;
  if (buffer_ != nullptr) {
    const int32_t limit = std::min(length_, capacity);
    while (kept < limit && buffer_[kept + 1] != 0) ++kept;
    std::memcpy(fresh + 1, buffer_ + 1, static_cast<size_t>(kept));
  }
  ReleaseBuffer(buffer_, capacity_);
  buffer_ = fresh;
  capacity_ = capacity;
  SetLengthAndTerminator(kept);
  return true;
}

bool VString::Reserve(int32_t n) { return ReserveFor(n); }

void VString::Clear() {
  if (buffer_ != nullptr) SetLengthAndTerminator(0);
  ReserveFor(0);
}

void VString::Truncate(int32_t n) {
  if (buffer_ != nullptr && n >= 0 && n < length_) SetLengthAndTerminator(n);
}

char* VString::LockBuffer(int32_t minimum) {
  if (buffer_ == nullptr || capacity_ < minimum) ReserveFor(minimum);
  if (buffer_ == nullptr) return nullptr;
  locked_ = true;
  return reinterpret_cast<char*>(buffer_ + 1);
}

void VString::UnlockBuffer() {
  if (buffer_ == nullptr) return;
  const int32_t limit = locked_ ? capacity_ : std::min<int32_t>(buffer_[0], capacity_);
  const void* zero = std::memchr(buffer_ + 1, 0, static_cast<size_t>(limit));
  const int32_t length = zero ? static_cast<int32_t>(static_cast<const uint8_t*>(zero) - (buffer_ + 1)) : limit;
  SetLengthAndTerminator(length);
}

uint8_t VString::GetCharAt(int32_t index) const {
  if (buffer_ == nullptr || index < 0 || index >= length_) return 0;
  return buffer_[index + 1];
}

// --- Assigning and appending ---------------------------------------------

void VString::Assign(const VString& other) {
  if (this == &other) return;
  if (!ReserveFor(other.capacity_)) return;
  const int32_t count = other.buffer_ != nullptr ? other.length_ : 0;
  if (count > 0) std::memcpy(buffer_ + 1, other.buffer_ + 1, static_cast<size_t>(count));
  SetLengthAndTerminator(count);
}

void VString::Assign(const char* text) {
  if (text == nullptr) {
    Clear();
    return;
  }
  // A text inside our own buffer would be freed by the reservation below.
  if (buffer_ != nullptr && text >= reinterpret_cast<const char*>(buffer_) &&
      text < reinterpret_cast<const char*>(buffer_ + capacity_ + 2)) {
    VString copy(text);
    Assign(copy);
    return;
  }
  const size_t count = std::strlen(text);
  if (!ReserveFor(static_cast<int64_t>(std::min<size_t>(count, size_t{1} << 40)))) return;
  std::memcpy(buffer_ + 1, text, count);
  SetLengthAndTerminator(static_cast<int32_t>(count));
}

void VString::AssignInteger(int32_t value) {
  Clear();
  AppendInteger(value);
}

void VString::AppendBytes(const uint8_t* bytes, int32_t count) {
  if (!ReserveFor(static_cast<int64_t>(length_) + count)) return;
  if (count > 0) std::memcpy(buffer_ + 1 + length_, bytes, static_cast<size_t>(count));
  SetLengthAndTerminator(length_ + count);
}

void VString::Append(const VString& other) {
  if (this == &other) {
    VString copy(other);
    Append(copy);
    return;
  }
  AppendBytes(other.buffer_ != nullptr ? other.buffer_ + 1 : nullptr, other.buffer_ != nullptr ? other.length_ : 0);
}

void VString::Append(const char* text) {
  if (text == nullptr) return;
  if (buffer_ != nullptr && text >= reinterpret_cast<const char*>(buffer_) &&
      text < reinterpret_cast<const char*>(buffer_ + capacity_ + 2)) {
    VString copy(text);
    Append(copy);
    return;
  }
  const size_t count = std::strlen(text);
  if (count > static_cast<size_t>(kMaxCapacity)) {
    ReserveFor(int64_t{kMaxCapacity} + 1);  // too long: fails like an allocation
    return;
  }
  AppendBytes(reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(count));
}

void VString::AppendChar(char c) {
  if (c == 0) return;
  const uint8_t byte = static_cast<uint8_t>(c);
  AppendBytes(&byte, 1);
}

void VString::AppendInteger(int32_t value) {
  if (!ReserveFor(static_cast<int64_t>(length_) + 11)) return;
  // The magnitude in unsigned arithmetic: negating INT32_MIN as a signed
  // value would overflow.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  uint8_t digits[11];
  int32_t count = 0;
  do {
    digits[10 - count++] = static_cast<uint8_t>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[10 - count++] = '-';
  AppendBytes(digits + 11 - count, count);
}

void VString::AppendDouble(double value) {
  if (!ReserveFor(static_cast<int64_t>(length_) + 18)) return;
  char text[64];
  const int written = std::snprintf(text, sizeof text, "%.6E", value);
  if (written <= 0) return;
  AppendBytes(reinterpret_cast<const uint8_t*>(text), std::min<int32_t>(written, sizeof text - 1));
}

void VString::Concat(VString& out, const char* text) const {
  if (&out != this) out.Assign(*this);
  out.Append(text);
}

void VString::Insert(const VString& other, int32_t index) {
  if (other.length_ == 0 || other.buffer_ == nullptr) return;
  if (this == &other) {
    VString copy(other);
    Insert(copy, index);
    return;
  }
  const int32_t count = other.length_;
  if (!ReserveFor(static_cast<int64_t>(length_) + count)) return;
  index = std::clamp(index, 0, length_);
  std::memmove(buffer_ + 1 + index + count, buffer_ + 1 + index, static_cast<size_t>(length_ - index));
  std::memcpy(buffer_ + 1 + index, other.buffer_ + 1, static_cast<size_t>(count));
  SetLengthAndTerminator(length_ + count);
}

bool VString::Delete(int32_t index, int32_t count) {
  if (index < 0 || index > length_ || count < 0) return false;
  if (count == 0 || buffer_ == nullptr) return true;
  count = std::min(count, length_ - index);
  std::memmove(buffer_ + 1 + index, buffer_ + 1 + index + count, static_cast<size_t>(length_ - index - count));
  SetLengthAndTerminator(length_ - count);
  return true;
}

bool VString::Mid(VString& out, int32_t index, int32_t count) const {
  if (index > length_ || count < 0) return false;
  index = std::max(index, 0);
  const int32_t n = std::min(count, length_ - index);
  if (&out == this) {
    VString& self = const_cast<VString&>(*this);
    if (self.buffer_ == nullptr) return false;
    std::memmove(self.buffer_ + 1, self.buffer_ + 1 + index, static_cast<size_t>(n));
    self.SetLengthAndTerminator(n);
    return true;
  }
  if (out.buffer_ == nullptr || out.capacity_ < n) out.ReserveFor(n);
  if (out.buffer_ == nullptr) return false;
  if (n > 0) std::memcpy(out.buffer_ + 1, buffer_ + 1 + index, static_cast<size_t>(n));
  out.SetLengthAndTerminator(n);
  return true;
}

// --- Comparison and search -----------------------------------------------

bool VString::Equals(const VString& other) const {
  if (buffer_ == nullptr || other.buffer_ == nullptr) return false;
  return length_ == other.length_ && std::memcmp(buffer_ + 1, other.buffer_ + 1, static_cast<size_t>(length_)) == 0;
}

bool VString::Equals(const char* text) const {
  if (text == nullptr || buffer_ == nullptr) return false;
  const uint8_t* t = reinterpret_cast<const uint8_t*>(text);
  for (int32_t i = 0; i < length_; ++i) {
    // A text ending early never matches (and is never read past its end).
    if (t[i] == 0 || t[i] != buffer_[i + 1]) return false;
  }
  return t[length_] == 0;
}

bool VString::IsGreaterThan(const VString& other) const {
  if (buffer_ == nullptr) return false;
  if (other.buffer_ == nullptr) return true;
  if (length_ == 0) return false;
  if (other.length_ == 0) return true;
  const int32_t common = std::min(length_, other.length_);
  for (int32_t i = 1; i <= common; ++i) {
    if (buffer_[i] != other.buffer_[i]) return buffer_[i] > other.buffer_[i];
  }
  return length_ > other.length_;
}

bool VString::Contains(const VString& find) const {
  int32_t position = 0;
  return FindFrom(find, position);
}

bool VString::Contains(const char* find) const {
  if (find == nullptr) return false;
  const VString text(find);
  return Contains(text);
}

bool VString::FindFrom(const VString& find, int32_t& position) const {
  if (position >= length_ || length_ == 0 || find.length_ == 0 || buffer_ == nullptr || find.buffer_ == nullptr)
    return false;
  int32_t start = std::max(position, 0);
  const int32_t count = find.length_;
  while (start <= length_ - count) {
    if (MatchesAt(buffer_ + 1 + start, find.buffer_ + 1, count)) {
      position = start;
      return true;
    }
    ++start;
  }
  position = start;
  return false;
}

bool VString::StartsWith(const char* text) const {
  if (length_ == 0 || buffer_ == nullptr) return false;
  if (text == nullptr) return true;
  const uint8_t* t = reinterpret_cast<const uint8_t*>(text);
  for (int32_t i = 0; i < length_ && t[i] != 0; ++i) {
    if (!SameIgnoringCase(buffer_[i + 1], t[i])) return false;
  }
  return true;
}

bool VString::ReplaceAll(const VString& find, const VString& replacement) {
  if (length_ == 0 || buffer_ == nullptr || find.length_ == 0 || find.buffer_ == nullptr) return false;
  if (&find == this || &replacement == this) {
    const VString findCopy(find);
    const VString replacementCopy(replacement);
    return ReplaceAll(findCopy, replacementCopy);
  }
  const int32_t findCount = find.length_;
  const int32_t replaceCount = replacement.buffer_ != nullptr ? replacement.length_ : 0;
  const uint8_t* text = buffer_ + 1;

  // First pass: count the matches to size the result once.
  int64_t matches = 0;
  for (int32_t i = 0; i <= length_ - findCount;) {
    if (MatchesAt(text + i, find.buffer_ + 1, findCount)) {
      ++matches;
      i += findCount;
    } else {
      ++i;
    }
  }
  if (matches == 0) return false;
  const int64_t resultLength = length_ + matches * (replaceCount - findCount);
  VString result(0);
  // A result too long to hold leaves the string unchanged.
  if (resultLength > kMaxCapacity || !result.ReserveFor(resultLength)) return false;

  uint8_t* out = result.buffer_ + 1;
  int32_t i = 0;
  while (i < length_) {
    if (i <= length_ - findCount && MatchesAt(text + i, find.buffer_ + 1, findCount)) {
      if (replaceCount > 0) std::memcpy(out, replacement.buffer_ + 1, static_cast<size_t>(replaceCount));
      out += replaceCount;
      i += findCount;
    } else {
      *out++ = text[i++];
    }
  }
  result.SetLengthAndTerminator(static_cast<int32_t>(resultLength));
  result.locked_ = locked_;
  *this = std::move(result);
  return true;
}

bool VString::ReplaceAll(const char* find, const char* replacement) {
  if (find == nullptr) return false;
  const VString findText(find);
  const VString replacementText(replacement);
  return ReplaceAll(findText, replacementText);
}

// --- Conversions and clean-up --------------------------------------------

void VString::ToLower() {
  for (int32_t i = 1; buffer_ != nullptr && i <= length_; ++i) {
    if (buffer_[i] >= 'A' && buffer_[i] <= 'Z') buffer_[i] = static_cast<uint8_t>(buffer_[i] | 32);
  }
}

bool VString::ToInteger(int32_t& value) const {
  value = 0;
  int32_t i = 0;
  while (i < length_) {
    const uint8_t c = buffer_[i + 1];
    if (c == '-' || c == '+' || IsDigit(c)) break;
    ++i;
  }
  if (i >= length_) return false;
  const bool negative = buffer_[i + 1] == '-';
  // Unsigned accumulation: text from files may hold any number of digits,
  // and the value wraps modulo 2^32 rather than overflowing.
  uint32_t magnitude = IsDigit(buffer_[i + 1]) ? static_cast<uint32_t>(buffer_[i + 1] - '0') : 0u;
  for (++i; i < length_ && IsDigit(buffer_[i + 1]); ++i) {
    magnitude = magnitude * 10u + static_cast<uint32_t>(buffer_[i + 1] - '0');
  }
  value = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
  return true;
}

int32_t VString::GetInteger() const {
  int32_t value = 0;
  ToInteger(value);
  return value;
}

bool VString::ToBinary(int32_t& value) const {
  value = 0;
  uint32_t bits = 0;
  int32_t i = 0;
  while (i < length_ && (buffer_[i + 1] == '0' || buffer_[i + 1] == '1')) {
    bits = bits * 2u + static_cast<uint32_t>(buffer_[i + 1] - '0');
    ++i;
  }
  if (i == 0) return false;
  value = static_cast<int32_t>(bits);
  return true;
}

void VString::Trim() {
  if (buffer_ == nullptr) return;
  int32_t start = 0;
  int32_t end = length_;
  while (start < end && buffer_[start + 1] < 33) ++start;
  while (end > start && buffer_[end] < 33) --end;
  const int32_t count = end - start;
  if (start > 0) std::memmove(buffer_ + 1, buffer_ + 1 + start, static_cast<size_t>(count));
  SetLengthAndTerminator(count);
}

void VString::CollapseSpaces() {
  if (buffer_ == nullptr) return;
  uint8_t* text = buffer_ + 1;
  int32_t read = 0;
  int32_t write = 0;
  while (read < length_ && text[read] <= 32) ++read;
  while (read < length_) {
    const uint8_t c = text[read];
    if (c > 32) {
      text[write++] = c;
      ++read;
    } else if (c == ' ' || c == '\t') {
      if (write > 0 && text[write - 1] != ' ') text[write++] = ' ';
      ++read;
    } else if (c == 13 || c == 10) {
      while (read < length_ && (text[read] == 13 || text[read] == 10)) ++read;
      const bool endsText = read >= length_;
      if (!endsText && write > 0 && text[write - 1] != '-' && text[write - 1] != ' ') text[write++] = ' ';
    } else {
      ++read;
    }
  }
  while (write > 0 && text[write - 1] <= 32) --write;
  SetLengthAndTerminator(write);
}

void VString::RemoveExtension() {
  for (int32_t i = length_ - 1; i >= 1; --i) {
    const uint8_t c = buffer_[i + 1];
    if (c == '.') {
      SetLengthAndTerminator(i);
      return;
    }
    if (IsPathSeparator(c)) return;
  }
}

void VString::GetFileName(VString& out) const {
  if (length_ == 0 || buffer_ == nullptr) {
    out.Clear();
    return;
  }
  for (int32_t i = length_ - 1; i >= 1; --i) {
    if (IsPathSeparator(buffer_[i + 1])) {
      if (i == length_ - 1) break;  // nothing follows: the whole string
      Mid(out, i + 1, length_ - i - 1);
      return;
    }
  }
  if (&out != this) out.Assign(*this);
}
