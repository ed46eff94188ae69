// The CD-ROM stand-ins: the folders of OSTREVAN_CD first, then the optical
// mounts of the system's mount table, in order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/CdRomDrives.h"
#include "platform/DirectX.h"

namespace {

TEST(CdRomDrives, OpticalMountsOfAMountTable) {
  const struct {
    const char* name;
    std::string table;
    std::vector<std::string> roots;
  } cases[] = {
      {"none", "sysfs /sys sysfs rw 0 0\n/dev/sda1 / ext4 rw 0 0\n", {}},
      {"iso and udf in order",
       "/dev/sr1 /media/disc2 udf ro 0 0\n/dev/sda1 / ext4 rw 0 0\n/dev/sr0 /media/disc1 iso9660 ro 0 0\n",
       {"/media/disc2", "/media/disc1"}},
      {"blanks escaped", "/dev/sr0 /media/Das\\040Ostrevan\\040Haus iso9660 ro 0 0\n", {"/media/Das Ostrevan Haus"}},
      {"tab and backslash escaped", "/dev/sr0 /m/a\\011b\\134c iso9660 ro 0 0\n", {"/m/a\tb\\c"}},
      {"escape cut at the end", "/dev/sr0 /m/x\\04 iso9660 ro 0 0\n", {"/m/x\\04"}},
      {"not an escape", "/dev/sr0 /m/x\\999 udf ro 0 0\n", {"/m/x\\999"}},
      {"loop-mounted image", "/dev/loop3 /mnt/iso iso9660 ro,relatime 0 0", {"/mnt/iso"}},
      {"type only in the options", "/dev/sdb1 /mnt/usb vfat rw,iso9660 0 0\n", {}},
      {"short lines", "\n/dev/sr0\n/dev/sr0 /x\n", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ParseOpticalMounts(c.table), c.roots) << c.name;
  }
}

TEST(CdRomDrives, NamedFoldersComeFirst) {
  std::optional<std::string> previous;
  if (const char* v = std::getenv("OSTREVAN_CD")) previous = v;
  setenv("OSTREVAN_CD", "/first/cd::relative/cd:", 1);
  const std::vector<std::string> roots = platform::CdRomRoots();
  ASSERT_GE(roots.size(), 2u);
  EXPECT_EQ(roots[0], "/first/cd");
  EXPECT_EQ(roots[1], "relative/cd");
  // What follows are the system's optical mounts, never an empty entry.
  for (const std::string& root : roots) EXPECT_FALSE(root.empty());
  unsetenv("OSTREVAN_CD");
  const std::vector<std::string> mounts = platform::CdRomRoots();
  EXPECT_EQ(mounts, std::vector<std::string>(roots.begin() + 2, roots.end()));
  if (previous) setenv("OSTREVAN_CD", previous->c_str(), 1);
}

TEST(DirectXStandIn, InstalledUnlessTheFailureIsAskedFor) {
  const struct {
    const char* value;  // null: unset
    bool installed;
  } cases[] = {{nullptr, true}, {"", true}, {"0", true}, {"1", false}, {"yes", false}, {"00", false}};
  for (const auto& c : cases) {
    if (c.value == nullptr) {
      unsetenv("OSTREVAN_NO_DIRECTX");
    } else {
      setenv("OSTREVAN_NO_DIRECTX", c.value, 1);
    }
    EXPECT_EQ(platform::IsDirectXInstalled(), c.installed) << (c.value ? c.value : "(unset)");
  }
  unsetenv("OSTREVAN_NO_DIRECTX");
}

}  // namespace
