#include "title/controls/TitleSoundTable.h"

#include "engine/sound/SoundManager.h"

const std::array<uint16_t, 66> kTitleSoundTable = {
    600, 601, 602, 602, 600, 604, 605, 605, 605, 605, 605, 606, 607, 608, 608, 608, 608,
    609, 609, 609, 609, 609, 610, 611, 612, 613, 614, 615, 616, 602, 617, 606, 610, 602,
    601, 618, 619, 620, 621, 609, 609, 605, 605, 605, 609, 609, 609, 600, 602, 622, 602,
    600, 602, 600, 602, 600, 602, 600, 600, 623, 624, 600, 602, 600, 602, 600};

SoundManager& InstallTitleSoundTable() {
  SoundManager& manager = GetSoundManager();
  manager.SetSoundTable(kTitleSoundTable);
  return manager;
}
