#include "title/shell/StartMessages.h"

#include "engine/app/MessageBoxes.h"
#include "engine/core/VString.h"

namespace {

// Code page 1252: 0xEF is i with diaeresis, 0xFC u with diaeresis.
constexpr const char* kDirectXDutch =
    "DirectX is niet (correct) ge\xEFnstalleerd. Draai a.u.b. opnieuw het Setup-programma.";
constexpr const char* kDirectXEnglish = "DirectX was not installed (correctly). Please run the setup-program again.";
constexpr const char* kDirectXGerman =
    "DirectX wurde nicht (korrekt) installiert. Bitte starten Sie das Setup-Programm erneut.";
constexpr const char* kFilesDutch =
    "De Ostrevan bestanden kunnen niet worden gevonden. Installeer het programma opnieuw.";
constexpr const char* kFilesEnglish = "Can't find Ostrevan files. Re-install the program.";
constexpr const char* kFilesGerman =
    "Die Dateien f\xFCr 'Das Ostrevan Haus' konnten nicht gefunden werden. Installieren Sie das Programm neu.";
constexpr const char* kCdRomDutch =
    "De Ostrevan Huis CD-ROM kan niet worden gevonden. Plaats de CD-ROM in de speler en start daarna opnieuw.";
constexpr const char* kCdRomEnglish = "Can't find Ostrevan CD-ROM. Place the CD-ROM in the drive and restart.";
constexpr const char* kCdRomGerman =
    "Die CD-ROM 'Das Ostrevan Haus' konnte nicht gefunden werden. Legen Sie die CD-ROM in das Laufwerk ein und "
    "starten Sie neu.";

// Message box identifiers of the three messages.
constexpr int32_t kDirectXBox = 0;
constexpr int32_t kFilesBox = 1;
constexpr int32_t kCdRomBox = 2;

}  // namespace

const char* GetStartMessage(StartMessage message, int32_t language) {
  const bool dutch = language == 0;
  const bool english = language == 1 || language == 5;
  const bool german = language == 3;
  switch (message) {
    case StartMessage::kDirectX:
      return dutch ? kDirectXDutch : english ? kDirectXEnglish : german ? kDirectXGerman : "";
    case StartMessage::kFiles:
      return dutch ? kFilesDutch : english ? kFilesEnglish : german ? kFilesGerman : "";
    case StartMessage::kCdRom:
      return dutch ? kCdRomDutch : english ? kCdRomEnglish : german ? kCdRomGerman : "";
  }
  return "";
}

void ShowStartMessage(StartMessage message, int32_t language) {
  VString text(GetStartMessage(message, language));
  switch (message) {
    case StartMessage::kDirectX:
      if (text.GetLength() > 0) ShowErrorMessage(kDirectXBox, &text, 0);
      break;
    case StartMessage::kFiles:
      ShowInformationMessage(kFilesBox, &text, 0);
      break;
    case StartMessage::kCdRom:
      ShowInformationMessage(kCdRomBox, &text, 0);
      break;
  }
}
