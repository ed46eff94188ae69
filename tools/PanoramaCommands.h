// The "panorama" commands of ostrevan-tool: one frame of a picture shown as a
// panorama through the engine's viewer, written as PPM.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class VPicture;

// Dispatches "render PICTURE OUT.ppm --yaw Y --pitch P [--fast] [--depth 16|32]
// [--size WxH]". 0 success, 1 refusal (one line on `err`), 2 a command line
// not understood.
int RunPanoramaCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The picture of a panorama file as the viewer shows it: a JPEG file (by its
// extension) through libjpeg, as bubble pictures are read, so progressive
// photographs work; any other file through the reader registry at the
// file's own depth. Null with `reason` saying why, in the words of "image
// decode" (libjpeg's own message for a JPEG it refuses). The caller
// releases the picture.
VPicture* LoadPanoramaPicture(const std::string& path, std::string& reason);
