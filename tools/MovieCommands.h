// "movie" commands of ostrevan-tool: decoding a movie's pictures to PPM
// frames and its sound to a WAVE file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// movie frames FILE DIR [--depth 16|32] [--audio OUT.wav]: FILE is a video
// elementary stream or a system stream, either after optional container
// atoms. Writes every picture in display order as DIR/frame-00001.ppm ...
// through a pixel map of the depth, and with --audio the decoded sound as
// 16-bit PCM WAVE.
// 0 on success, 1 on a failure (with a message), 2 on bad arguments.
int RunMovieCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
