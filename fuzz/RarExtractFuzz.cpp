// Fuzz target: an arbitrary file read as a RAR 2.x archive; every listed
// member (up to eight) and a name that is not there are extracted.
#include <cstdint>
#include <string>
#include <vector>

#include "launchers/common/RarReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<RarMember> members;
  ListRarMembersFromMemory(data, size, members);
  std::vector<uint8_t> out;
  for (size_t i = 0; i < members.size() && i < 8; ++i) {
    RarStatus status = ExtractRarMemberFromMemory(data, size, members[i].name, out);
    if (status == RarStatus::kOk && out.size() != members[i].unpackedSize) __builtin_trap();
    if (status != RarStatus::kOk && !out.empty()) __builtin_trap();
  }
  ExtractRarMemberFromMemory(data, size, "no such member", out);
  return 0;
}
