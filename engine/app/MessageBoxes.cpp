#include "engine/app/MessageBoxes.h"

#include <string>

#include "engine/app/VApplication.h"
#include "engine/core/VString.h"
#include "platform/MessageBox.h"

int32_t ShowMessageBox(int32_t /*identifier*/, const VString* text, int32_t /*spare*/, int32_t severity) {
  platform::MessageBoxIcon icon = platform::MessageBoxIcon::kNone;
  switch (severity) {
    case 1: icon = platform::MessageBoxIcon::kError; break;
    case 2: icon = platform::MessageBoxIcon::kWarning; break;
    case 3: icon = platform::MessageBoxIcon::kInformation; break;
    default: break;
  }
  std::string body;
  if (text != nullptr && text->GetChars() != nullptr) body.assign(text->GetChars(), static_cast<size_t>(text->GetLength()));
  std::string title;
  if (VApplication* app = GetApplication()) {
    if (app->GetAppName().GetChars() != nullptr) title = app->GetAppName().GetChars();
  }
  return platform::ShowMessageBox(title, body, icon);
}

int32_t ShowErrorMessage(int32_t identifier, const VString* text, int32_t spare) {
  return ShowMessageBox(identifier, text, spare, 1);
}

int32_t ShowInformationMessage(int32_t identifier, const VString* text, int32_t spare) {
  return ShowMessageBox(identifier, text, spare, 3);
}
