// VString: the engine's one string type. Its buffer holds the text both as a
// counted string (a length byte in front, capped at 255) and as a
// zero-terminated string, with the true length kept in a 32-bit field.
#pragma once

#include <cstdint>

// Buffer layout: byte 0 = min(length, 255); bytes 1..length = the characters;
// byte length + 1 = 0. The allocation is capacity + 2 bytes. Capacities follow
// one rule: 128 for requests up to 128, else the next power of two (256, 512,
// ...). Buffers of 65536 characters and more come from AllocateMemory, smaller
// ones from the ordinary heap.
//
// The buffer is null only after an allocation failed (length and capacity are
// then 0); every writing operation reserves first and does nothing more when
// the buffer is still missing. The string recovers at the next successful
// Reserve.
//
// Bytes are unsigned. "Without case" below means ASCII letters A-Z match
// a-z; bytes of 128 and above match only themselves.
class VString {
 public:
  // The largest capacity a string can have; larger requests fail like an
  // allocation failure.
  static constexpr int32_t kMaxCapacity = 1 << 30;
  static constexpr int32_t kMinCapacity = 128;

  // Empty, with the capacity the rule gives for `capacity` (at least 128).
  explicit VString(int32_t capacity = kMinCapacity);
  // Counts the characters of `text` up to its terminator or `maximumCount`
  // (whichever comes first; a null text counts 0) and copies them.
  explicit VString(const char* text, int32_t maximumCount = kMaxCapacity);
  VString(const VString& other);
  // Takes the other's buffer; the other is left without a buffer (empty).
  VString(VString&& other) noexcept;
  VString& operator=(const VString& other);
  VString& operator=(VString&& other) noexcept;
  virtual ~VString();

  // The capacity the rule gives for a request of n characters (n <= 0 gives
  // 128); 0 when n exceeds kMaxCapacity.
  static int32_t CapacityFor(int64_t n);

  // --- Buffer -------------------------------------------------------------
  // Sets the capacity to the rule's value for n when that differs from the
  // current one (growing or shrinking). Characters are kept up to the new
  // capacity, stopping at a zero byte. On failure the buffer is freed and the
  // string has no buffer, length 0, capacity 0. Returns whether a buffer
  // exists afterwards.
  bool Reserve(int32_t n);
  // Empty text, capacity back to 128.
  void Clear();
  // When 0 <= n < length, shortens the string to n characters.
  void Truncate(int32_t n);
  // Makes the capacity at least `minimum` and returns the first character
  // for the caller to write (at most GetCapacity() characters plus a zero).
  // Null without a buffer. Call UnlockBuffer afterwards.
  char* LockBuffer(int32_t minimum);
  // After LockBuffer: the length becomes the count of characters up to the
  // first zero byte (at most the capacity). Without LockBuffer: the length is
  // taken from the length byte (at most the capacity and the first zero).
  // Length byte and terminator are set again either way.
  void UnlockBuffer();

  // --- Reading ------------------------------------------------------------
  // The zero-terminated characters, or null without a buffer. Owned by the
  // string; valid until the next operation that changes it.
  const char* GetChars() const { return buffer_ ? reinterpret_cast<const char*>(buffer_ + 1) : nullptr; }
  // The counted form: the length byte followed by the characters, or null
  // without a buffer. Owned by the string.
  const uint8_t* GetCountedChars() const { return buffer_; }
  int32_t GetLength() const { return length_; }
  int32_t GetCapacity() const { return capacity_; }
  bool IsEmpty() const { return length_ == 0; }
  bool HasBuffer() const { return buffer_ != nullptr; }
  // The character at index; 0 at or past the end, for a negative index or
  // without a buffer.
  uint8_t GetCharAt(int32_t index) const;

  // --- Assigning and appending --------------------------------------------
  void Assign(const VString& other);
  // A null text clears the string.
  void Assign(const char* text);
  void AssignInteger(int32_t value);
  void Append(const VString& other);
  // A null text appends nothing.
  void Append(const char* text);
  // A zero byte appends nothing.
  void AppendChar(char c);
  // Signed decimal form, "-" then the digits; every 32-bit value, INT32_MIN
  // included.
  void AppendInteger(int32_t value);
  // The value as printf("%.6E") writes it.
  void AppendDouble(double value);
  // out becomes this string followed by text (null appends nothing).
  void Concat(VString& out, const char* text) const;
  // Inserts other before index (negative counts as 0, beyond the length
  // appends). Nothing when other is empty.
  void Insert(const VString& other, int32_t index);
  // Removes min(count, length - index) characters from index. False when
  // index < 0, index > length or count < 0.
  bool Delete(int32_t index, int32_t count);
  // out becomes min(count, length - index) characters from index (negative
  // index counts as 0). False (out unchanged) when index > length or
  // count < 0. out may be this string.
  bool Mid(VString& out, int32_t index, int32_t count) const;

  // --- Comparison and search ----------------------------------------------
  // Exact byte comparison; false when either side has no buffer.
  bool Equals(const VString& other) const;
  // Exact comparison with a zero-terminated text; false for null.
  bool Equals(const char* text) const;
  // Byte-wise (unsigned) order; with a common prefix the longer is greater.
  bool IsGreaterThan(const VString& other) const;
  // Without case; false when either string is empty.
  bool Contains(const VString& find) const;
  bool Contains(const char* find) const;
  // Searches find (without case) from position (negative counts as 0).
  // True and position = start of the match; false and position = where the
  // search stopped. False when position >= length or either string is empty.
  bool FindFrom(const VString& find, int32_t& position) const;
  // False for an empty string; true for an empty (or null) text; otherwise
  // true when both agree (without case) up to the end of the shorter.
  bool StartsWith(const char* text) const;
  // Replaces every occurrence of find (without case) from left to right,
  // never rescanning an inserted replacement. True when anything changed.
  bool ReplaceAll(const VString& find, const VString& replacement);
  bool ReplaceAll(const char* find, const char* replacement);

  // --- Conversions and clean-up -------------------------------------------
  // A-Z become a-z.
  void ToLower();
  // Skips to the first '-', '+' or digit and reads the number there ('-'
  // negates; a sign alone gives 0). True when a number was started. Values
  // beyond 32 bits wrap modulo 2^32 (no undefined behaviour).
  bool ToInteger(int32_t& value) const;
  // The number ToInteger finds, 0 when none.
  int32_t GetInteger() const;
  // Reads binary digits from the start. True when the whole string is
  // binary digits or at least one digit precedes the first other character.
  // Wraps modulo 2^32 like ToInteger.
  bool ToBinary(int32_t& value) const;
  // Removes leading and trailing bytes below 33.
  void Trim();
  // Folds white space: spaces/tabs to one space, CR/LF runs to one space
  // (none after '-' or a space, none at the end), drops other control
  // characters and leading/trailing white space.
  void CollapseSpaces();
  // Cuts a final ".ext" unless a ':', '\' or '/' comes after the last dot;
  // a dot in the first position is never taken.
  void RemoveExtension();
  // out becomes what follows the last ':', '\' or '/' (not looking at the
  // first character); the whole string when there is none or nothing
  // follows it. out may be this string.
  void GetFileName(VString& out) const;

 private:
  void SetLengthAndTerminator(int32_t length);
  bool ReserveFor(int64_t n);
  void FreeBuffer();
  void AppendBytes(const uint8_t* bytes, int32_t count);

  uint8_t* buffer_ = nullptr;
  int32_t length_ = 0;
  int32_t capacity_ = 0;
  bool locked_ = false;
};
