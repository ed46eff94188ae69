// The media services of a program that plays movies: the sound layer's
// audio services with the movie library's start and stop.
#pragma once

#include "engine/app/SoundMediaServices.h"

class MovieMediaServices : public SoundMediaServices {
 public:
  bool StartMovieLibrary() override;
  void StopMovieLibrary() override;
};

// The process-wide services of a program with the movie library (installed
// by InstallEngineServices when asked for movies).
MovieMediaServices& GetMovieMediaServices();
