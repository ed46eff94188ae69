// Text encoding of the typed values.
#include "engine/core/VTextFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t VTextFile::ReadTypeCode(uint32_t& code) {
  int32_t taken = 0;
  char c = 0;
  while (true) {
    if (!ReadByte(c)) return taken;
    ++taken;
    if (c == '\'') break;
  }
  uint8_t bytes[4] = {};
  int32_t got = VFile::Read(bytes, 4);
  taken += got;
  if (got == 4) std::memcpy(&code, bytes, 4);
  if (got == 4 && ReadByte(c)) {
    ++taken;
    if (c != '\'') Unread();
  }
  return taken;
}

int32_t VTextFile::ReadQuoted(VString& out, bool useStop, char stop) {
  out.Assign("");
  char c = 0;
  while (true) {
    if (!ReadByte(c)) return 0;
    if (c == '"') break;
    if (useStop && c == stop) return 0;
  }
  int32_t appended = 0;
  while (ReadByte(c)) {
    if (c == '"') {
      char next = 0;
      if (!ReadByte(next)) break;
      if (next != '"') {
        Unread();
        break;
      }
    }
    if (c == 0) continue;  // a string holds no zero byte
    out.AppendChar(c);
    ++appended;
  }
  return appended;
}

int32_t VTextFile::ReadString(VString& out) { return ReadQuoted(out, false, 0); }

int32_t VTextFile::ReadQuotedString(VString& out, char stop) { return ReadQuoted(out, true, stop); }

int32_t VTextFile::ReadLong(int32_t& value) {
  value = 0;
  uint32_t magnitude = 0;
  bool digit = false;
  bool negative = false;
  int32_t taken = 0;
  char c = 0;
  while (ReadByte(c)) {
    ++taken;
    if (IsDigit(c)) {
      digit = true;
      magnitude = magnitude * 10u + static_cast<uint32_t>(c - '0');
    } else if (digit) {
      Unread();
      break;
    } else if (c == '-') {
      negative = true;
    } else if (c != ' ') {
      negative = false;
    }
  }
  if (!digit) return 0;
  value = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
  return taken;
}

int32_t VTextFile::ReadShort(int16_t& value) {
  int32_t wide = 0;
  int32_t taken = ReadLong(wide);
  value = static_cast<int16_t>(static_cast<uint32_t>(wide) & 0xFFFF);
  return taken;
}

int32_t VTextFile::ReadDouble(double& value) {
  // The number's parts are gathered by the reader's rules, then converted by
  // strtod so the value is the correctly rounded one.
  constexpr size_t kMaxDigits = 800;
  std::string intDigits;
  std::string fracDigits;
  int64_t intExtra = 0;  // integer digits beyond kMaxDigits (each one a power of ten)
  int64_t exponent = 0;
  bool started = false, inFraction = false, inExponent = false, expNegative = false, negative = false;
  int32_t taken = 0;
  char c = 0;
  value = 0.0;
  auto addDigit = [&](char d) {
    if (inExponent) {
      if (exponent < 100000) exponent = exponent * 10 + (d - '0');
    } else if (inFraction) {
      if (fracDigits.size() < kMaxDigits) fracDigits += d;
    } else if (intDigits.size() < kMaxDigits) {
      intDigits += d;
    } else {
      ++intExtra;
    }
  };
  while (ReadByte(c)) {
    ++taken;
    if (!started) {
      if (IsDigit(c)) {
        started = true;
        addDigit(c);
      } else if (c == '.') {
        inFraction = true;
        char next = 0;
        if (ReadByte(next)) {
          Unread();
          if (IsDigit(next)) started = true;
        } else {
          started = true;
        }
        if (!started) inFraction = false;
      } else if (c == '-') {
        negative = true;
      } else if (c != ' ') {
        negative = false;
      }
      continue;
    }
    if (IsDigit(c)) {
      addDigit(c);
    } else if (!inExponent && (c == 'e' || c == 'E')) {
      inFraction = false;
      inExponent = true;
    } else if (!inExponent && c == '.') {
      inFraction = true;
    } else if (inExponent && (c == '+' || c == '-')) {
      expNegative = c == '-';
    } else {
      Unread();
      break;
    }
  }
  if (!started) return 0;
  int64_t e = (expNegative ? -exponent : exponent) + intExtra;
  char expText[32];
  std::snprintf(expText, sizeof expText, "e%lld", static_cast<long long>(e));
  std::string text;
  text.reserve(intDigits.size() + fracDigits.size() + 40);
  text.append(intDigits.empty() ? std::string_view("0") : std::string_view(intDigits));
  text.push_back('.');
  text.append(fracDigits.empty() ? std::string_view("0") : std::string_view(fracDigits));
  text.append(expText);
  double v = std::strtod(text.c_str(), nullptr);
  value = negative ? -v : v;
  return taken;
}

int32_t VTextFile::ReadFloat(float& value) {
  double wide = 0.0;
  int32_t taken = ReadDouble(wide);
  value = static_cast<float>(wide);
  return taken;
}

template <typename T, typename Fn>
int32_t VTextFile::ReadEach(T* values, int32_t& count, Fn readOne) {
  if (values == nullptr || count < 1) {
    count = 0;
    return 0;
  }
  int32_t taken = 0;
  int32_t i = 0;
  for (; i < count; ++i) {
    int32_t n = readOne(values[i]);
    if (n == 0) break;
    taken += n;
  }
  count = i;
  return taken;
}

int32_t VTextFile::ReadDoubles(double* values, int32_t& count) {
  return ReadEach(values, count, [this](double& v) { return ReadDouble(v); });
}
int32_t VTextFile::ReadFloats(float* values, int32_t& count) {
  return ReadEach(values, count, [this](float& v) { return ReadFloat(v); });
}
int32_t VTextFile::ReadLongs(int32_t* values, int32_t& count) {
  return ReadEach(values, count, [this](int32_t& v) { return ReadLong(v); });
}
int32_t VTextFile::ReadShorts(int16_t* values, int32_t& count) {
  return ReadEach(values, count, [this](int16_t& v) { return ReadShort(v); });
}

int32_t VTextFile::ReadColor(VRGBColor& color) {
  int16_t values[3] = {};
  int32_t count = 3;
  int32_t taken = ReadShorts(values, count);
  color.red = static_cast<uint8_t>(values[0] & 0xFF);
  color.green = static_cast<uint8_t>(values[1] & 0xFF);
  color.blue = static_cast<uint8_t>(values[2] & 0xFF);
  return count == 3 ? taken : 0;
}

int32_t VTextFile::Write(const void* buffer, int32_t count) {
  if (buffer == nullptr || count < 1) return 0;
  const void* zero = std::memchr(buffer, 0, static_cast<size_t>(count));
  if (zero != nullptr) count = static_cast<int32_t>(static_cast<const char*>(zero) - static_cast<const char*>(buffer));
  return count > 0 ? VFile::Write(buffer, count) : 0;
}

int32_t VTextFile::WriteTypeCode(const uint32_t& code) {
  char text[6] = {'\'', 0, 0, 0, 0, 0};
  int32_t n = 1;
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>((code >> (8 * i)) & 0xFF);
    if (c == 0) break;
    text[n++] = c;
  }
  text[n++] = '\'';
  return Write(text, n);
}

int32_t VTextFile::WriteString(const VString& text) {
  std::string out = "\"";
  const char* chars = text.GetChars();
  for (int32_t i = 0; chars != nullptr && i < text.GetLength(); ++i) {
    out += chars[i];
    if (chars[i] == '"') out += '"';
  }
  out += '"';
  return Write(out.data(), static_cast<int32_t>(out.size()));
}

int32_t VTextFile::WriteLong(int32_t value) {
  char text[16];
  int n = 0;
  text[n++] = ' ';
  uint32_t magnitude = static_cast<uint32_t>(value);
  if (value < 0) {
    text[n++] = '-';
    magnitude = 0u - magnitude;
  }
  bool emitting = false;
  for (uint32_t divisor = 1000000000u; divisor >= 1; divisor /= 10) {
    uint32_t d = magnitude / divisor;
    if (d != 0 || emitting || divisor == 1) {
      text[n++] = static_cast<char>('0' + d);
      emitting = true;
    }
    magnitude %= divisor;
    if (divisor == 1) break;
  }
  return Write(text, n);
}

int32_t VTextFile::WriteShort(int16_t value) { return WriteLong(value); }

int32_t VTextFile::WriteDouble(double value) {
  char text[64];
  int n = std::snprintf(text, sizeof text, " %.6E", value);
  if (n < 0) return 0;
  return Write(text, n < static_cast<int>(sizeof text) ? n : static_cast<int>(sizeof text) - 1);
}

int32_t VTextFile::WriteFloat(float value) { return WriteDouble(static_cast<double>(value)); }

template <typename T, typename Fn>
int32_t VTextFile::WriteEach(const T* values, int32_t& count, Fn writeOne) {
  if (values == nullptr || count < 1) {
    count = 0;
    return 0;
  }
  int32_t put = 0;
  for (int32_t i = 0; i < count; ++i) {
    put += writeOne(values[i]);
    put += Write(i + 1 < count ? "," : " ", 1);
  }
  return put;
}

int32_t VTextFile::WriteDoubles(const double* values, int32_t& count) {
  return WriteEach(values, count, [this](double v) { return WriteDouble(v); });
}
int32_t VTextFile::WriteFloats(const float* values, int32_t& count) {
  return WriteEach(values, count, [this](float v) { return WriteFloat(v); });
}
int32_t VTextFile::WriteLongs(const int32_t* values, int32_t& count) {
  return WriteEach(values, count, [this](int32_t v) { return WriteLong(v); });
}
int32_t VTextFile::WriteShorts(const int16_t* values, int32_t& count) {
  return WriteEach(values, count, [this](int16_t v) { return WriteShort(v); });
}

int32_t VTextFile::WriteColor(const VRGBColor& color) {
  int16_t values[3] = {color.red, color.green, color.blue};
  int32_t count = 3;
  return WriteShorts(values, count);
}
