// The launchers' registry key over the platform's store.
#include "launchers/common/Registry.h"

bool CRegistry::CreateKey(platform::RegistryRoot root, const std::string& subKey) {
  return platform::RegistryCreateKey(root, subKey);
}

bool CRegistry::Open(platform::RegistryRoot root, const std::string& subKey, bool readOnly) {
  Close();
  CreateKey(root, subKey);
  if (!platform::RegistryKeyExists(root, subKey)) return false;
  root_ = root;
  subKey_ = subKey;
  readOnly_ = readOnly;
  open_ = true;
  return true;
}

bool CRegistry::EnumValue(size_t index, std::string& name, std::string& data) const {
  name.clear();
  data.clear();
  return open_ && platform::RegistryEnumValue(root_, subKey_, index, &name, &data);
}

bool CRegistry::ReadString(const std::string& name, std::string& value) const {
  value.clear();
  return open_ && platform::RegistryQueryString(root_, subKey_, name, &value);
}

bool CRegistry::WriteString(const std::string& name, const std::string& value) {
  if (!open_ || readOnly_) return false;
  return platform::RegistrySetString(root_, subKey_, name, value);
}
