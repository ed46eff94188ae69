// Movie library start and stop for the application framework.
#include "engine/mpeg/MovieMediaServices.h"

#include "engine/mpeg/MovieLibrary.h"

bool MovieMediaServices::StartMovieLibrary() { return OpenMovieLibrary(); }

void MovieMediaServices::StopMovieLibrary() { CloseMovieLibrary(); }

MovieMediaServices& GetMovieMediaServices() {
  static MovieMediaServices services;
  return services;
}
