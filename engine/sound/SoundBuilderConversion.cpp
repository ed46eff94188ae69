#include "engine/sound/SoundBuilderConversion.h"

#include "engine/core/MediaTypes.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/MediaAudioStream.h"

bool SoundBuilderConversion::Convert(ConversionContext& context, BuildRecord& record) {
  EnsureStandardSoundCodecs();
  auto* stream = new MediaAudioStream(context.sourceSpec, kUnknownFileType);
  const int32_t result = stream->HasReader() ? stream->WriteSound(*context.archive, MakeTypeCode("RSX ")) : -1;
  stream->Release();
  if (result != 0) {
    context.log->Text("Build aborted: An error occurred when reading/converting/writing the audio file").LineEnd();
    return false;
  }
  record.entry.type = MakeTypeCode("RSX ");
  return true;
}

void RegisterSoundBuilderConversion() {
  static SoundBuilderConversion conversion;
  SetBuilderConversion(kSoundCode, &conversion);
}
