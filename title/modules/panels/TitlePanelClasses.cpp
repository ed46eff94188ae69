#include "title/modules/panels/TitlePanelClasses.h"

#include <cstdint>

#include "engine/controls/VFactory.h"
#include "title/modules/panels/CreditsPanel.h"
#include "title/modules/panels/LanguagePanel.h"
#include "title/modules/panels/TextPicturePanel.h"
#include "title/shell/MuseumApplication.h"

namespace {

void FinishNothing(VPropertyHolder* /*object*/, int32_t /*argument*/) {}

// Records made without registering anywhere; RegisterTitlePanelClasses adds
// them to a factory.
VFactoryRegistration& CreditsClass() {
  static VFactoryRegistration record(MuseumApplication::kCreditsPanelType, sizeof(CreditsPanel), nullptr, nullptr,
                                     FactoryCreateDefault<CreditsPanel>, FactoryDestroyDefault<CreditsPanel>, FinishNothing, nullptr);
  return record;
}

VFactoryRegistration& LanguageClass() {
  static VFactoryRegistration record(MuseumApplication::kLanguagePanelType, sizeof(LanguagePanel), nullptr, nullptr,
                                     FactoryCreateDefault<LanguagePanel>, FactoryDestroyDefault<LanguagePanel>, FinishNothing, nullptr);
  return record;
}

VFactoryRegistration& TextPictureClass() {
  static VFactoryRegistration record(MuseumApplication::kTextPicturePanelType, sizeof(TextPicturePanel), nullptr,
                                     nullptr, FactoryCreateDefault<TextPicturePanel>, FactoryDestroyDefault<TextPicturePanel>, FinishNothing,
                                     nullptr);
  return record;
}

}  // namespace

void RegisterTitlePanelClasses(VFactory* factory) {
  if (factory == nullptr) factory = GetDefaultFactory();
  for (VFactoryRegistration* record : {&CreditsClass(), &LanguageClass(), &TextPictureClass()}) {
    if (FindFactoryClass(factory, record->GetClassId()) != record) factory->Register(record);
  }
}
