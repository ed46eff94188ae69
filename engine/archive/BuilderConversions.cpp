// The built-in builder conversions (literal strings, copies, texts, number
// lists), the registry of the others and the dispatch by code.
#include "engine/archive/BuilderConversions.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/VTextFile.h"

namespace {

constexpr uint32_t kTextType = MakeTypeCode("TEXT");
constexpr uint32_t kNumbersType = MakeTypeCode("RDX ");
constexpr uint32_t kExtractedType = MakeTypeCode("MF  ");
constexpr uint32_t kTextCreator = MakeTypeCode("ttxt");
constexpr int32_t kCopyChunk = 1048576;
constexpr int32_t kNumberBatch = 256;

// Registered conversions, by code.
struct Registration {
  int32_t code;
  BuilderConversion* conversion;
};
std::vector<Registration>& Registry() {
  static std::vector<Registration> registry;
  return registry;
}

const char* kLatin1Entities[95] = {
    "&iexcl;",  "&cent;",   "&pound;",  "&curren;", "&yen;",    "&brvbar;", "&sect;",   "&uml;",
    "&copy;",   "&ordf;",   "&laquo;",  "&not;",    "&shy;",    "&reg;",    "&macr;",   "&deg;",
    "&plusmn;", "&sup2;",   "&sup3;",   "&acute;",  "&micro;",  "&para;",   "&middot;", "&cedil;",
    "&sup1;",   "&ordm;",   "&raquo;",  "&frac14;", "&frac12;", "&frac34;", "&iquest;", "&Agrave;",
    "&Aacute;", "&Acirc;",  "&Atilde;", "&Auml;",   "&Aring;",  "&AElig;",  "&Ccedil;", "&Egrave;",
    "&Eacute;", "&Ecirc;",  "&Euml;",   "&Igrave;", "&Iacute;", "&Icirc;",  "&Iuml;",   "&ETH;",
    "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;",  "&Otilde;", "&Ouml;",   "&times;",  "&Oslash;",
    "&Ugrave;", "&Uacute;", "&Ucirc;",  "&Uuml;",   "&Yacute;", "&THORN;",  "&szlig;",  "&agrave;",
    "&aacute;", "&acirc;",  "&atilde;", "&auml;",   "&aring;",  "&aelig;",  "&ccedil;", "&egrave;",
    "&eacute;", "&ecirc;",  "&euml;",   "&igrave;", "&iacute;", "&icirc;",  "&iuml;",   "&eth;",
    "&ntilde;", "&ograve;", "&oacute;", "&ocirc;",  "&otilde;", "&ouml;",   "&divide;", "&oslash;",
    "&ugrave;", "&uacute;", "&ucirc;",  "&uuml;",   "&yacute;", "&thorn;",  "&yuml;",
};

// The 256 replacement texts. The characters that code page 1252 places at 34
// (quotation mark), 133 (ellipsis), 150 and 151 (dashes) and 153 (trade mark)
// get the names the title's mark-up reader knows; the other bytes 128..159
// become numeric references.
class HtmlTable {
 public:
  HtmlTable() {
    for (int b = 0; b < 256; ++b) {
      std::string& t = texts_[static_cast<size_t>(b)];
      if (b == 0) {
        t.clear();
      } else if (b < 128) {
        t.assign(1, static_cast<char>(b));
      } else if (b < 160) {
        t = "&#" + std::to_string(b) + ";";
      } else if (b == 160) {
        t = "&#160;";
      } else {
        t = kLatin1Entities[b - 161];
      }
    }
    texts_['&'] = "&amp;";
    texts_['<'] = "&lt;";
    texts_['>'] = "&gt;";
    texts_[34] = "&quot;";
    texts_[133] = "&#133;";
    texts_[150] = "&endash;";
    texts_[151] = "&emdash;";
    texts_[153] = "&trade;";
  }
  const char* At(uint8_t b) const { return texts_[b].c_str(); }

 private:
  std::array<std::string, 256> texts_;
};

const HtmlTable& GetHtmlTable() {
  static const HtmlTable table;
  return table;
}

// The literal-string escapes, built on first use.
struct EscapePair {
  VString find;
  VString replacement;
};
const std::vector<EscapePair>& EscapeTable() {
  static const std::vector<EscapePair> table = [] {
    const char pairs[][2] = {{'n', '\n'}, {'t', '\t'}, {'b', '\b'}, {'r', '\r'},
                             {'f', '\f'}, {'a', '\a'}, {'\\', '\\'}};
    std::vector<EscapePair> t;
    for (const auto& p : pairs) {
      char find[3] = {'\\', p[0], 0};
      char replacement[2] = {p[1], 0};
      t.push_back({VString(find), VString(replacement)});
    }
    return t;
  }();
  return table;
}

void ReplaceEvery(std::string& text, const std::string& find, const std::string& replacement) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  while (true) {
    size_t at = text.find(find, from);
    if (at == std::string::npos) break;
    out.append(text, from, at - from);
    out += replacement;
    from = at + find.size();
  }
  out.append(text, from, std::string::npos);
  text.swap(out);
}

void LogAbortWithPath(BuildLog& log, const char* message, ConversionContext& context) {
  VString path;
  context.sourceSpec.GetPathWithSlashes(path);
  log.Text(message).Quoted(path).LineEnd();
}

bool WriteAll(VFile& archive, const void* data, int64_t count, BuildLog& log) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (count > 0) {
    int32_t step = static_cast<int32_t>(std::min<int64_t>(count, kCopyChunk));
    if (archive.Write(bytes, step) != step) {
      log.Line("Build aborted: Couldn't write to server file.");
      return false;
    }
    bytes += step;
    count -= step;
  }
  return true;
}

// Reads the whole source (at most what a text medium may hold).
bool ReadWholeSource(ConversionContext& context, std::string& out) {
  BuildLog& log = *context.log;
  int64_t length = context.source->GetLength() - context.source->GetPosition();
  if (length < 0 || length > VString::kMaxCapacity) {
    LogAbortWithPath(log, "Build aborted: Couldn't read file ", context);
    return false;
  }
  out.resize(static_cast<size_t>(length));
  int64_t done = 0;
  while (done < length) {
    int32_t step = static_cast<int32_t>(std::min<int64_t>(length - done, kCopyChunk));
    if (context.source->Read(out.data() + done, step) != step) {
      LogAbortWithPath(log, "Build aborted: Couldn't read file ", context);
      return false;
    }
    done += step;
  }
  return true;
}

const char* NotAvailableWhat(int32_t code) {
  switch (code) {
    case kFontAlphaCode:
    case kFontBitmapCode:
      return "picture fonts";
    case kImageCode:
      return "image conversion";
    case kColorTableCode:
      return "colour-table conversion";
    case kAlphaChannelCode:
      return "alpha-channel conversion";
    case kSoundCode:
      return "sound conversion";
    default:
      return "this conversion";
  }
}

}  // namespace

// --- Registry and dispatch ---------------------------------------------------

BuilderConversion* SetBuilderConversion(int32_t code, BuilderConversion* conversion) {
  auto& registry = Registry();
  for (auto it = registry.begin(); it != registry.end(); ++it) {
    if (it->code != code) continue;
    BuilderConversion* previous = it->conversion;
    if (conversion != nullptr) {
      it->conversion = conversion;
    } else {
      registry.erase(it);
    }
    return previous;
  }
  if (conversion != nullptr) registry.push_back({code, conversion});
  return nullptr;
}

BuilderConversion* GetBuilderConversion(int32_t code) {
  for (const Registration& r : Registry()) {
    if (r.code == code) return r.conversion;
  }
  return nullptr;
}

bool IsBuilderConversionCode(int32_t code) {
  switch (code) {
    case kLiteralStringCode:
    case kFontAlphaCode:
    case kFontBitmapCode:
    case kCopyCode:
    case kImageCode:
    case kColorTableCode:
    case kAlphaChannelCode:
    case kTextCode:
    case kNumbersCode:
    case kSoundCode:
      return true;
    default:
      return false;
  }
}

bool RunBuilderConversion(ConversionContext& context, BuildRecord& record) {
  BuildLog& log = *context.log;
  int32_t code = context.line->code;
  if (!IsBuilderConversionCode(code)) {
    log.Text("Build aborted: unknown media type ").Number(code).LineEnd();
    return false;
  }
  if (BuilderConversion* registered = GetBuilderConversion(code)) return registered->Convert(context, record);
  switch (code) {
    case kLiteralStringCode:
      return ConvertLiteralString(context, record);
    case kCopyCode:
      return ConvertCopy(context, record);
    case kTextCode:
      return ConvertText(context, record);
    case kNumbersCode:
      return ConvertNumbers(context, record);
    default:
      log.Text("Build aborted: conversion code").Number(code).Text(" (").Text(NotAvailableWhat(code));
      log.Text(") is not available in this build of the tool").LineEnd();
      return false;
  }
}

// --- Text helpers -----------------------------------------------------------

void ApplyLiteralEscapes(VString& text) {
  for (const EscapePair& pair : EscapeTable()) text.ReplaceAll(pair.find, pair.replacement);
}

const char* WindowsToHtmlText(uint8_t byte) { return GetHtmlTable().At(byte); }

std::string ConvertWindowsToHtml(const std::string& text) {
  const HtmlTable& table = GetHtmlTable();
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) out += table.At(static_cast<uint8_t>(c));
  return out;
}

std::string ConvertLineEndsToHtml(const std::string& text) {
  std::string out = text;
  ReplaceEvery(out, "\r\n", "<BR>");
  ReplaceEvery(out, "\n\r", "<BR>");
  ReplaceEvery(out, "\r", "<BR>");
  ReplaceEvery(out, "\n", "<BR>");
  return out;
}

// --- Code -20: literal string ---------------------------------------------------

bool ConvertLiteralString(ConversionContext& context, BuildRecord& record) {
  VString text(context.line->source);
  ApplyLiteralEscapes(text);
  record.entry.type = kTextType;
  int32_t count = text.GetLength() + 1;
  if (context.archive->WriteText(text, count) != count) {
    context.log->Line("Build aborted: Couldn't write to server file.");
    return false;
  }
  record.note.Append(" (stored medianame as string) ");
  context.shownSource.Assign(text);
  return true;
}

// --- Code 0: copy ---------------------------------------------------------------

bool ConvertCopy(ConversionContext& context, BuildRecord& record) {
  BuildLog& log = *context.log;
  VFile& source = *context.source;
  if (record.entry.type == kExtractedType) {
    uint8_t header[archive_format::kEntrySize];
    if (source.Read(header, archive_format::kEntrySize) != archive_format::kEntrySize) {
      LogAbortWithPath(log, "Build aborted: Couldn't read file ", context);
      return false;
    }
    MediaEntry stored = archive_format::DecodeEntry(header);
    record.entry.type = stored.type;
    std::copy(std::begin(stored.name), std::end(stored.name), std::begin(record.entry.name));
    record.entry.size = stored.size;
    source.Seek(stored.offset, true);
  }
  int64_t remaining = record.entry.size;
  // An empty medium has nothing to copy (and needs no buffer).
  if (remaining == 0) return true;
  int32_t chunk = static_cast<int32_t>(std::min<int64_t>(remaining, kCopyChunk));
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[static_cast<size_t>(chunk)]);
  if (!buffer) {
    log.Text("Build aborted: Couldn't allocate copy buffer of size").Number(chunk).LineEnd();
    return false;
  }
  while (remaining > 0) {
    if (source.Read(buffer.get(), chunk) != chunk) {
      LogAbortWithPath(log, "Build aborted: Couldn't read file ", context);
      return false;
    }
    if (context.archive->Write(buffer.get(), chunk) != chunk) {
      log.Line("Build aborted: Couldn't write to server file.");
      return false;
    }
    remaining -= chunk;
    chunk = static_cast<int32_t>(std::min<int64_t>(chunk, remaining));
  }
  return true;
}

// --- Code 40: text ----------------------------------------------------------------

bool ConvertText(ConversionContext& context, BuildRecord& record) {
  std::string text;
  if (!ReadWholeSource(context, text)) return false;
  int32_t flags = context.line->Param(1);
  if ((flags & 2) != 0) {
    text = ConvertWindowsToHtml(text);
    record.note.Append(" (converted Windows to HTML encoding) ");
  } else {
    // A text medium ends at its first zero byte: zero bytes inside the source
    // are dropped so no text behind them is lost.
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  }
  if ((flags & 4) != 0) record.note.Append(" (unsupported encoding translation) ");
  if ((flags & 1) != 0) {
    text = ConvertLineEndsToHtml(text);
    record.note.Append(" (converted line-endings to HTML) ");
  }
  int64_t size = static_cast<int64_t>(text.size()) + 1;
  if (size > VString::kMaxCapacity) {
    context.log->Line("Build aborted: Couldn't write to server file.");
    return false;
  }
  if (!WriteAll(*context.archive, text.c_str(), size, *context.log)) return false;
  record.entry.type = kTextType;
  record.note.Append(" (stored as text, ");
  record.note.AppendInteger(static_cast<int32_t>(size));
  record.note.Append(" bytes)");
  return true;
}

// --- Code 50: numbers -------------------------------------------------------------

bool ConvertNumbers(ConversionContext& context, BuildRecord& record) {
  BuildLog& log = *context.log;
  VTextFile numbers(context.sourceSpec, kTextType, kTextCreator);
  if (!numbers.Open(VFileObject::kRead)) {
    LogAbortWithPath(log, "Build aborted: Couldn't open file ", context);
    return false;
  }
  numbers.Preload(0, numbers.GetLength());
  int32_t kind = context.line->Param(1);
  int64_t total = 0;
  const char* kindName = "[Unknown type]";
  VFile& archive = *context.archive;
  bool known = kind >= 1 && kind <= 5;
  while (known) {
    int32_t count = kNumberBatch;
    int32_t wanted = 0;
    int32_t put = 0;
    if (kind == 1 || kind == 2) {
      int16_t values[kNumberBatch];
      numbers.ReadShorts(values, count);
      if (kind == 1) record.note.Append(" (unsupported conversion, writing shorts) ");
      wanted = count * 2;
      put = archive.VFile::WriteShorts(values, count);
      kindName = "shorts";
    } else if (kind == 3) {
      int32_t values[kNumberBatch];
      numbers.ReadLongs(values, count);
      wanted = count * 4;
      put = archive.VFile::WriteLongs(values, count);
      kindName = "longs";
    } else if (kind == 4) {
      float values[kNumberBatch];
      numbers.ReadFloats(values, count);
      wanted = count * 4;
      put = archive.VFile::WriteFloats(values, count);
      kindName = "float";
    } else {
      double values[kNumberBatch];
      numbers.ReadDoubles(values, count);
      wanted = count * 8;
      put = archive.VFile::WriteDoubles(values, count);
      kindName = "double";
    }
    if (put != wanted) {
      log.Line("Build aborted: Couldn't write to server file.");
      return false;
    }
    total += count;
    if (count < kNumberBatch) break;
  }
  if (!known) record.note.Append(" (unsupported option, no data written) ");
  record.entry.type = kNumbersType;
  record.note.Append(" (converted to ");
  record.note.AppendInteger(static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX)));
  record.note.Append(" ");
  record.note.Append(kindName);
  record.note.Append(")");
  return true;
}
