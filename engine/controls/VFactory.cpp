#include "engine/controls/VFactory.h"

#include <algorithm>
#include <memory>

namespace {

VFactory* gDefault = nullptr;

// Made on first use, destroyed at exit (clearing the default if it still is).
VFactory* MakeOwnDefault() {
  static std::unique_ptr<VFactory> own;
  if (own == nullptr) own = std::make_unique<VFactory>();
  return own.get();
}

constexpr uint32_t kFirstPropertyTag = 1;
constexpr uint32_t kLastPropertyTag = 35;

}  // namespace

VFactoryRegistration::VFactoryRegistration(int32_t classId, int32_t objectSize, const uint32_t* memberTypes,
                                           const int32_t* memberSizes, FactoryCreate create, FactoryDestroy destroy,
                                           FactoryFinish finish)
    : VFactoryRegistration(classId, objectSize, memberTypes, memberSizes, create, destroy, finish,
                           GetDefaultFactory()) {}

VFactoryRegistration::VFactoryRegistration(int32_t classId, int32_t objectSize, const uint32_t* memberTypes,
                                           const int32_t* memberSizes, FactoryCreate create, FactoryDestroy destroy,
                                           FactoryFinish finish, VFactory* factory)
    : classId_(classId), objectSize_(objectSize), create_(create), destroy_(destroy), finish_(finish) {
  if (memberTypes != nullptr) {
    for (const uint32_t* t = memberTypes; *t != 0; ++t) memberTypes_.push_back(*t);
  }
  int64_t total = 0;
  for (size_t i = 0; i < memberTypes_.size(); ++i) {
    int32_t size = 4;
    if ((memberTypes_[i] & kReferenceType) == 0) size = memberSizes != nullptr ? std::max(memberSizes[i], 0) : 0;
    memberSizes_.push_back(size);
    total += size;
  }
  dataSize_ = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
  if (factory != nullptr) factory->Register(this);
}

VFactory::~VFactory() {
  if (gDefault == this) gDefault = nullptr;
}

bool VFactory::Register(VFactoryRegistration* record) {
  if (record == nullptr || count_ >= kMaxEntries) return false;
  int32_t at = 0;
  while (at < count_ && entries_[at]->GetClassId() < record->GetClassId()) ++at;
  for (int32_t i = count_; i > at; --i) entries_[i] = entries_[i - 1];
  entries_[at] = record;
  ++count_;
  return true;
}

VFactoryRegistration* FindFactoryClass(const VFactory* factory, int32_t classId) {
  if (factory == nullptr) return nullptr;
  int32_t low = 0;
  int32_t high = factory->GetCount() - 1;
  while (low <= high) {
    const int32_t middle = low + (high - low) / 2;
    VFactoryRegistration* entry = factory->GetEntry(middle);
    const int32_t key = static_cast<int16_t>(entry->GetClassId() & 0xFFF);
    if (key == classId) return entry;
    if (key < classId) {
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  return nullptr;
}

VPropertyHolder* CreateObjectById(VFactory* factory, VFactoryRegistration* record, VFactoryStream* stream,
                                  void* placement) {
  if (record == nullptr) return nullptr;
  if (stream == nullptr && factory != nullptr) stream = factory->GetDefaultStream();
  std::vector<uint8_t> members(static_cast<size_t>(std::max(record->GetDataSize(), 1)), 0);
  // Offsets of the members in the buffer.
  std::vector<size_t> offsets;
  size_t offset = 0;
  for (int32_t i = 0; i < record->GetMemberCount(); ++i) {
    offsets.push_back(offset);
    offset += static_cast<size_t>(record->GetMemberSize(i));
  }
  int32_t read = 0;
  if (stream != nullptr) {
    const int32_t wanted = std::min(std::max(stream->GetValueCount(), 0), record->GetMemberCount());
    for (; read < wanted; ++read) {
      if (!stream->ReadValue(record->GetMemberType(read), members.data() + offsets[static_cast<size_t>(read)])) {
        break;
      }
    }
  }
  VPropertyHolder* object = nullptr;
  if (FactoryCreate create = record->GetCreate()) object = create(members.data(), placement);
  if (stream != nullptr) {
    for (int32_t i = read - 1; i >= 0; --i) {
      stream->ReleaseValue(record->GetMemberType(i), members.data() + offsets[static_cast<size_t>(i)]);
    }
    if (object != nullptr) {
      uint32_t tag = 0;
      uint32_t value = 0;
      while (stream->ReadTag(tag) && tag >= kFirstPropertyTag && tag <= kLastPropertyTag &&
             stream->ReadProperty(tag, value)) {
        object->SetProperty(tag, value);
      }
    }
  }
  return object;
}

VFactory* GetDefaultFactory() {
  if (gDefault == nullptr) gDefault = MakeOwnDefault();
  return gDefault;
}

VFactory* SetDefaultFactory(VFactory* factory) {
  VFactory* previous = gDefault;
  gDefault = factory;
  return previous;
}
