// The process-wide sine, arcsine and cosecant tables over a quarter turn that
// the panorama viewers and their projection share, and the fast functions
// that read them.
#pragma once

#include <cstdint>
#include <vector>

// One table: entries over [0, pi/2] (or [0, 1] for the arcsine) and the factor
// that turns an argument into an index.
struct PanoramaTable {
  std::vector<float> entries;
  int32_t count = 0;
  float scale = 0.0f;
};

struct PanoramaTables {
  int32_t referenceCount = 0;
  PanoramaTable sine;
  PanoramaTable arcsine;
  PanoramaTable cosecant;
};

// Adds a reference to the shared tables (made empty on first use) and returns them.
PanoramaTables* AcquirePanoramaTables();
// Drops a reference; the last one frees the tables.
void ReleasePanoramaTables();
// The shared tables without a new reference, or null when nobody holds them.
PanoramaTables* PeekPanoramaTables();

// Rebuild a table of the shared object with n entries when n is greater than
// its current count (a smaller or equal n keeps it). Nothing without tables.
void BuildSineTable(int32_t n);
void BuildArcsineTable(int32_t n);
void BuildCosecantTable(int32_t n);

// Arcsine of x limited to [-1, 1] by table (1.0 while the table is empty; NaN reads as 0).
float FastArcsine(float x);
// Cosecant of any angle by table (1.0 while the table is empty; the largest
// finite float at multiples of pi; NaN and infinities read as 0).
float FastCosecant(float angle);
// FastCosecant(pi/2 - angle).
float FastSecant(float angle);
