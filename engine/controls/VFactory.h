// The class factory: creatable classes register a record with their class
// id, the types of their member values and functions that create and
// destroy an object; the factory keeps up to 256 records sorted by class id
// and creates an object from nothing but its id (the panel owner creates
// panels this way). Registration happens during static initialisation
// through one static VFactoryRegistration per class.
//
// Ownership: the factory does not own the records (they are static objects
// of their classes). CreateObjectById hands the new object to the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "engine/core/VTLink.h"

// The source of member values and property pairs for a created object.
// Nothing in the title reads one; it exists for classes stored in a stream.
class VFactoryStream {
 public:
  virtual ~VFactoryStream() = default;
  // How many member values the stream holds for the next object.
  virtual int32_t GetValueCount() = 0;
  // Reads one value of the type into `out` (the member's bytes); false on failure.
  virtual bool ReadValue(uint32_t typeCode, void* out) = 0;
  // Frees what ReadValue put into `value`.
  virtual void ReleaseValue(uint32_t typeCode, void* value) = 0;
  // The next 4-byte property tag; false at the end.
  virtual bool ReadTag(uint32_t& tag) = 0;
  // The value of a property, read by the type of its tag.
  virtual bool ReadProperty(uint32_t tag, uint32_t& value) = 0;
};

using FactoryCreate = VPropertyHolder* (*)(void* members, void* placement);
using FactoryDestroy = void (*)(VPropertyHolder* object, bool placement);
using FactoryFinish = void (*)(VPropertyHolder* object, int32_t argument);

// The create and destroy functions of a class made with its default
// constructor (no member values), in the space given or on the heap.
template <class T>
VPropertyHolder* FactoryCreateDefault(void* /*members*/, void* placement) {
  if (placement != nullptr) return new (placement) T();
  return new T();
}
template <class T>
void FactoryDestroyDefault(VPropertyHolder* object, bool placement) {
  if (placement) {
    object->~VPropertyHolder();
  } else {
    delete object;
  }
}

class VFactory;

class VFactoryRegistration {
 public:
  // Type codes with this bit hold a 4-byte reference.
  static constexpr uint32_t kReferenceType = 0x1000;

  // memberTypes: zero-terminated list (null: none); memberSizes: the size of
  // each member whose type is not a reference, in list order (null: 0).
  // Registers with the default factory.
  VFactoryRegistration(int32_t classId, int32_t objectSize, const uint32_t* memberTypes, const int32_t* memberSizes,
                       FactoryCreate create, FactoryDestroy destroy, FactoryFinish finish);
  // The same without registering anywhere (for a factory of one's own).
  VFactoryRegistration(int32_t classId, int32_t objectSize, const uint32_t* memberTypes, const int32_t* memberSizes,
                       FactoryCreate create, FactoryDestroy destroy, FactoryFinish finish, VFactory* factory);

  int32_t GetClassId() const { return classId_; }
  int32_t GetObjectSize() const { return objectSize_; }
  int32_t GetMemberCount() const { return static_cast<int32_t>(memberTypes_.size()); }
  uint32_t GetMemberType(int32_t index) const { return memberTypes_[static_cast<size_t>(index)]; }
  int32_t GetMemberSize(int32_t index) const { return memberSizes_[static_cast<size_t>(index)]; }
  int32_t GetDataSize() const { return dataSize_; }
  FactoryCreate GetCreate() const { return create_; }
  FactoryDestroy GetDestroy() const { return destroy_; }
  FactoryFinish GetFinish() const { return finish_; }

 private:
  int32_t classId_;
  int32_t objectSize_;
  std::vector<uint32_t> memberTypes_;
  std::vector<int32_t> memberSizes_;
  int32_t dataSize_ = 0;
  FactoryCreate create_;
  FactoryDestroy destroy_;
  FactoryFinish finish_;
};

class VFactory {
 public:
  static constexpr int32_t kMaxEntries = 256;

  explicit VFactory(VFactoryStream* defaultStream = nullptr) : defaultStream_(defaultStream) {}
  // Clears the default when this factory is it.
  virtual ~VFactory();
  VFactory(const VFactory&) = delete;
  VFactory& operator=(const VFactory&) = delete;

  // Inserts before the first entry whose class id is >= the record's; a full
  // registry (256 entries) and null are ignored. Returns whether it was added.
  bool Register(VFactoryRegistration* record);
  int32_t GetCount() const { return count_; }
  VFactoryRegistration* GetEntry(int32_t index) const {
    return index >= 0 && index < count_ ? entries_[index] : nullptr;
  }
  VFactoryStream* GetDefaultStream() const { return defaultStream_; }

 private:
  int32_t count_ = 0;
  VFactoryRegistration* entries_[kMaxEntries] = {};
  VFactoryStream* defaultStream_;
};

// Binary search by the low 12 bits of the entries' class ids; null when none
// (or for a null factory).
VFactoryRegistration* FindFactoryClass(const VFactory* factory, int32_t classId);
// Creates an object of the record's class: member values from the stream
// (or the factory's default stream, or none), then property pairs. Null for
// a null record or when the class creates nothing.
VPropertyHolder* CreateObjectById(VFactory* factory, VFactoryRegistration* record, VFactoryStream* stream,
                                  void* placement);
// The default factory, made on first use.
VFactory* GetDefaultFactory();
// Installs a factory as the default (not owned; null: the next use makes a
// new one); returns the previous default.
VFactory* SetDefaultFactory(VFactory* factory);
