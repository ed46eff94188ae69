#include "engine/sound/SoundReaderRegistry.h"

namespace {

VLinkedList& Registry() {
  static VLinkedList registry;
  return registry;
}

}  // namespace

uint8_t* VSoundReader::Read(uint8_t* buffer, int32_t& count, bool& ended) {
  ended = false;
  if (count < 0) {
    count = 0;
    ended = true;
    return nullptr;
  }
  if (int64_t{dataStart_} + position_ >= dataEnd_) {
    count = 0;
    return nullptr;
  }
  if (!buffer) {
    if (!buffer_.Ensure(count)) {
      count = 0;
      ended = true;
      return nullptr;
    }
    buffer = buffer_.GetData();
  }
  const int64_t left = int64_t{dataEnd_} - dataStart_ - position_;
  if (count > left) count = static_cast<int32_t>(left);
  if (count < 1 || !buffer) {
    count = 0;
    ended = true;
    return nullptr;
  }
  file_.Seek(int64_t{dataStart_} + position_, true);
  if (file_.Read(buffer, count) != count) {
    ended = true;
    return nullptr;
  }
  position_ += count;
  return buffer;
}

void RegisterSoundReader(VSoundReader* prototype) {
  if (!prototype) return;
  Registry().Append(new VSoundReaderRegisterElement(prototype, prototype->GetTypeCode()));
}

VSoundReader* CreateSoundReader(const VFile& file, uint32_t type) {
  for (VListElement* e = Registry().GetFirst(); e; e = e->GetNext()) {
    auto* element = static_cast<VSoundReaderRegisterElement*>(e);
    if (element->GetTypeCode() == type && element->GetPrototype()) return element->GetPrototype()->CreateReader(file);
  }
  return nullptr;
}

bool HasSoundReader(uint32_t type) {
  for (VListElement* e = Registry().GetFirst(); e; e = e->GetNext()) {
    auto* element = static_cast<VSoundReaderRegisterElement*>(e);
    if (element->GetTypeCode() == type && element->GetPrototype()) return true;
  }
  return false;
}

void ClearSoundReaders() { Registry().DeleteAll(); }
