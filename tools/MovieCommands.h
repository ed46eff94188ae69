// "movie" commands of ostrevan-tool: decoding an MPEG video stream to PPM frames.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// movie frames FILE DIR [--depth 16|32]: writes every picture in display
// order as DIR/frame-00001.ppm ... through a pixel map of the depth.
// 0 on success, 1 on a failure (with a message), 2 on bad arguments.
int RunMovieCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
