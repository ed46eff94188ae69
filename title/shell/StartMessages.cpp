#include "title/shell/StartMessages.h"

#include <string>

#include "engine/app/VApplication.h"
#include "engine/core/VString.h"
#include "platform/MessageBox.h"

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
// Code page 1252: 0xF6 is o with diaeresis, 0xE4 a with diaeresis (its string
// ends there: a "d" after it would be read as a third hex digit).
constexpr const char* kDamagedDutch =
    "De gegevens van de Ostrevan Huis CD-ROM kunnen niet worden gelezen. De CD-ROM is misschien beschadigd.";
constexpr const char* kDamagedEnglish = "Can't read the data of the Ostrevan CD-ROM. The CD-ROM may be damaged.";
constexpr const char* kDamagedGerman =
    "Die Daten der CD-ROM 'Das Ostrevan Haus' k\xF6nnen nicht gelesen werden. Die CD-ROM ist vielleicht "
    "besch\xE4"
    "digt.";

// The box of a message, captioned with the application's name; on standard
// error as well.
void Show(const char* text, platform::MessageBoxIcon icon) {
  std::string title;
  if (VApplication* app = GetApplication()) {
    if (app->GetAppName().GetChars() != nullptr) title = app->GetAppName().GetChars();
  }
  platform::ShowMessageBoxAlsoOnConsole(title, text, icon);
}

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
    case StartMessage::kDamaged:
      return dutch ? kDamagedDutch : english ? kDamagedEnglish : german ? kDamagedGerman : "";
  }
  return "";
}

void ShowStartMessage(StartMessage message, int32_t language) {
  const char* text = GetStartMessage(message, language);
  if (message == StartMessage::kDirectX) {
    if (*text != '\0') Show(text, platform::MessageBoxIcon::kError);
  } else {
    Show(text, platform::MessageBoxIcon::kInformation);
  }
}
