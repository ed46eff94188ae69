#include "title/shell/SequenceItem.h"

#include <cmath>
#include <string>

#include "title/shell/SequenceTextCursor.h"

SequenceItem::SequenceItem() : SequenceItem("basic") {}

SequenceItem::SequenceItem(const char* kindName) : kindName_(kindName) {}

SequenceItem::~SequenceItem() = default;

int32_t SequenceItem::HoldTime(int64_t value) {
  if (value < 0) return 0;
  if (value > kMaxTime) return kMaxTime;
  return static_cast<int32_t>(value);
}

bool SequenceItem::IsInRiseAt(int32_t t) const { return start_ <= t && t < start_ + rise_; }

bool SequenceItem::IsInSustainAt(int32_t t) const {
  return start_ + rise_ <= t && t < start_ + rise_ + sustain_;
}

bool SequenceItem::IsInDecayAt(int32_t t) const {
  const int64_t from = static_cast<int64_t>(start_) + rise_ + sustain_;
  return from <= t && t < from + decay_ + 30;
}

double SequenceItem::GetLevelAt(int32_t t) const {
  double level = 0.0;
  if (IsInSustainAt(t)) {
    level = 1.0;
  } else if (IsInRiseAt(t)) {
    level = static_cast<double>(t - start_) / static_cast<double>(rise_);
  } else if (IsInDecayAt(t)) {
    level = 1.0 - static_cast<double>(t - start_ - rise_ - sustain_) / static_cast<double>(decay_);
  }
  if (!(level >= 0.0)) return 0.0;  // negatives and NaN
  if (level > 1.0) return 1.0;
  return level;
}

bool SequenceItem::ReadBaseFields(SequenceTextCursor& cursor) {
  static const char* const kTimes[] = {"start", "rise", "sustain", "decay"};
  for (;;) {
    if (cursor.Keyword("comment")) {
      std::string text;
      if (!cursor.QuotedString(text)) return false;
      comment_.Assign(text.c_str());
      continue;
    }
    bool matched = false;
    for (int i = 0; i < 4 && !matched; ++i) {
      if (!cursor.Keyword(kTimes[i])) continue;
      matched = true;
      int64_t value = 0;
      if (!cursor.Integer(value)) return false;
      switch (i) {
        case 0: SetStart(value); break;
        case 1: SetRise(value); break;
        case 2: SetSustain(value); break;
        default: SetDecay(value); break;
      }
    }
    if (!matched) return true;
  }
}

bool SequenceItem::ReadFields(SequenceTextCursor& cursor) { return ReadBaseFields(cursor); }

bool SequenceItem::ReadMediaField(SequenceTextCursor& cursor, bool& matched) {
  matched = false;
  if (cursor.Keyword("resid")) {
    matched = true;
    int64_t value = 0;
    if (!cursor.Integer(value)) return false;
    resid_ = static_cast<uint16_t>(static_cast<uint64_t>(value) & 0xFFFFu);  // kept in 16 bits
    return true;
  }
  if (cursor.Keyword("file")) {
    matched = true;
    std::string path;
    if (!cursor.QuotedString(path)) return false;
    file_.Set(path.c_str());
    return true;
  }
  return true;
}

void SequenceItem::AppendQuoted(std::string& out, const char* text) {
  out += '"';
  for (const char* p = text ? text : ""; *p != '\0'; ++p) out += *p == '"' ? '\'' : *p;
  out += '"';
}

namespace {

void AppendTimeLine(std::string& out, const char* name, int32_t value) {
  out += "\t\t";
  out += name;
  out += '\t';
  out += std::to_string(value);
  out += "\r\n";
}

}  // namespace

void SequenceItem::WriteFields(std::string& out) const {
  out += "\t\tcomment\t";
  AppendQuoted(out, comment_.GetChars());
  out += "\r\n";
  AppendTimeLine(out, "start", start_);
  AppendTimeLine(out, "rise", rise_);
  AppendTimeLine(out, "sustain", sustain_);
  AppendTimeLine(out, "decay", decay_);
}

void SequenceItem::WriteMediaFields(std::string& out) const {
  out += "\t\tresid\t" + std::to_string(resid_) + "\r\n";
  VString path;
  file_.GetPathWithSlashes(path);
  out += "\t\tfile\t";
  AppendQuoted(out, path.GetChars());
  out += "\r\n";
}
