// The archive builder's sound conversion: a WAVE or raw sound file becomes a
// raw "RSX " sound in the archive.
#pragma once

#include "engine/archive/BuilderConversions.h"

class SoundBuilderConversion : public BuilderConversion {
 public:
  bool Convert(ConversionContext& context, BuildRecord& record) override;
};

// Registers the conversion for its code (once) with the standard readers.
void RegisterSoundBuilderConversion();
