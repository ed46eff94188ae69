// The registry stand-in: string values under keys of a few roots, kept in one
// file shared by every process of the user (path from OSTREVAN_REGISTRY_FILE,
// else ~/.config/ostrevan/registry). Every access locks the file, so a value
// one process writes is read by another. Key and value names match without
// case; values enumerate in the order they were first written.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

enum class RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

inline constexpr const char* kRegistryFileVariable = "OSTREVAN_REGISTRY_FILE";

// The file the store lives in.
std::string RegistryStorePath();

// Creates the key and its parents; true when it exists afterwards.
bool RegistryCreateKey(RegistryRoot root, const std::string& subKey);
bool RegistryKeyExists(RegistryRoot root, const std::string& subKey);
// Sets (or adds, at the end) a string value; the key is created when missing.
bool RegistrySetString(RegistryRoot root, const std::string& subKey, const std::string& name,
                       const std::string& data);
// The value of that name, or false.
bool RegistryQueryString(RegistryRoot root, const std::string& subKey, const std::string& name, std::string* data);
// The value at index (from 0), or false past the last.
bool RegistryEnumValue(RegistryRoot root, const std::string& subKey, size_t index, std::string* name,
                       std::string* data);

}  // namespace platform
