// disc-sequence-roundtrip FILE...: reads each slide show's sequence text of the
// sample disc as the title does (with the timing adjustment), writes it, reads
// the written text back and writes it again; the two written texts must be the
// same and the document must hold a channel. For each file one line goes to
// standard output:
//   FILE ok CHANNELS DURATION-MS
//   FILE error WHAT
// The content check (check_disc.py) runs it over every sequence on the disc.
// The exit status is 1 when any file failed.
#include <cstdio>
#include <string>

#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "title/shell/SequenceDocument.h"

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    SequenceDocument document{VFileSpec(argv[i])};
    std::string written;
    document.Write(written);
    SequenceDocument back;
    back.ReadChannels(written);
    std::string again;
    back.Write(again);
    if (document.GetChannelCount() == 0) {
      std::printf("%s error no channel\n", argv[i]);
      status = 1;
    } else if (again != written) {
      std::printf("%s error written and read back it writes differently\n", argv[i]);
      status = 1;
    } else {
      std::printf("%s ok %d %d\n", argv[i], document.GetChannelCount(), document.GetDuration());
    }
  }
  return status;
}
