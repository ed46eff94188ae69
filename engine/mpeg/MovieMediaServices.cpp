// Movie library start and stop for the application framework.
#include "engine/mpeg/MovieMediaServices.h"

#include "engine/mpeg/MovieLibrary.h"

bool MovieMediaServices::StartMovieLibrary() { return OpenMovieLibrary(); }

void MovieMediaServices::StopMovieLibrary() { CloseMovieLibrary(); }

MovieMediaServices& InstallMovieMediaServices() {
  static MovieMediaServices services;
  if (GetMediaServices() != &services) SetMediaServices(&services);
  return services;
}
