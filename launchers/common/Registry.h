// One open registry key of the launchers: open (creating it when allowed),
// enumerate its values, read a value by name and write string values.
#pragma once

#include <cstddef>
#include <string>

#include "platform/Registry.h"

class CRegistry {
 public:
  CRegistry() = default;
  ~CRegistry() { Close(); }
  CRegistry(const CRegistry&) = delete;
  CRegistry& operator=(const CRegistry&) = delete;

  // Creates the key when missing, then opens it; a read-only key refuses
  // writes.
  bool Open(platform::RegistryRoot root, const std::string& subKey, bool readOnly);
  void Close() { open_ = false; }
  bool IsOpen() const { return open_; }
  bool CreateKey(platform::RegistryRoot root, const std::string& subKey);
  // The value at index, from 0; false past the last.
  bool EnumValue(size_t index, std::string& name, std::string& data) const;
  // The value whose name matches without case; value empty and false when
  // there is none.
  bool ReadString(const std::string& name, std::string& value) const;
  bool WriteString(const std::string& name, const std::string& value);

 private:
  bool open_ = false;
  bool readOnly_ = true;
  platform::RegistryRoot root_ = platform::RegistryRoot::kLocalMachine;
  std::string subKey_;
};
