// The "panorama" commands of ostrevan-tool: one frame of a picture shown as a
// panorama through the engine's viewer, written as PPM.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Dispatches "render PICTURE OUT.ppm --yaw Y --pitch P [--fast] [--depth 16|32]
// [--size WxH]". 0 success, 1 refusal (one line on `err`), 2 a command line
// not understood.
int RunPanoramaCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
