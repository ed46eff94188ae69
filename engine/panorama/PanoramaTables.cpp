#include "engine/panorama/PanoramaTables.h"

#include <cfloat>
#include <cmath>
#include <new>
#include <numbers>

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kHalfPi = std::numbers::pi_v<float> / 2;
constexpr float kTwoPi = 2 * std::numbers::pi_v<float>;

PanoramaTables* gTables = nullptr;

// Allocates n entries; false (table empty, count n) when memory runs out.
bool Allocate(PanoramaTable& table, int32_t n) {
  table.entries.clear();
  table.count = n;
  try {
    table.entries.resize(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    table.entries.clear();
    table.entries.shrink_to_fit();
    return false;
  }
  return true;
}

bool NeedsBuild(const PanoramaTable& table, int32_t n) { return n > table.count && n >= 2; }

// Index of a non-negative value times the scale, kept inside the table.
size_t IndexOf(const PanoramaTable& table, float value) {
  const float scaled = value * table.scale;
  if (!(scaled > 0.0f)) return 0;
  const size_t last = table.entries.size() - 1;
  if (scaled >= static_cast<float>(last)) return last;
  return static_cast<size_t>(scaled);
}

}  // namespace

PanoramaTables* AcquirePanoramaTables() {
  if (gTables == nullptr) {
    gTables = new (std::nothrow) PanoramaTables();
    if (gTables == nullptr) return nullptr;
  }
  ++gTables->referenceCount;
  return gTables;
}

void ReleasePanoramaTables() {
  if (gTables == nullptr) return;
  if (--gTables->referenceCount <= 0) {
    delete gTables;
    gTables = nullptr;
  }
}

PanoramaTables* PeekPanoramaTables() { return gTables; }

void BuildSineTable(int32_t n) {
  if (!gTables || !NeedsBuild(gTables->sine, n)) return;
  PanoramaTable& t = gTables->sine;
  t.scale = static_cast<float>(n - 1) / kHalfPi;
  if (!Allocate(t, n)) return;
  const long double step = static_cast<long double>(kHalfPi) / (n - 1);
  long double angle = 0.0L;
  t.entries[0] = 0.0f;
  for (int32_t i = 1; i < n - 1; ++i) {
    angle += step;
    t.entries[static_cast<size_t>(i)] = static_cast<float>(std::sin(angle));
  }
  t.entries[static_cast<size_t>(n - 1)] = 1.0f;
}

void BuildArcsineTable(int32_t n) {
  if (!gTables || !NeedsBuild(gTables->arcsine, n)) return;
  PanoramaTable& t = gTables->arcsine;
  t.scale = static_cast<float>(n - 1);
  if (!Allocate(t, n)) return;
  const float step = 1.0f / static_cast<float>(n - 1);
  float x = 0.0f;
  t.entries[0] = 0.0f;
  for (int32_t i = 1; i < n - 1; ++i) {
    x += step;
    t.entries[static_cast<size_t>(i)] = std::asin(std::fmin(x, 1.0f));
  }
  t.entries[static_cast<size_t>(n - 1)] = kHalfPi;
}

void BuildCosecantTable(int32_t n) {
  if (!gTables || !NeedsBuild(gTables->cosecant, n)) return;
  PanoramaTable& t = gTables->cosecant;
  t.scale = static_cast<float>(n - 1) / kHalfPi;
  if (!Allocate(t, n)) return;
  const long double step = static_cast<long double>(kHalfPi) / (n - 1);
  long double angle = 0.0L;
  t.entries[0] = FLT_MAX;
  for (int32_t i = 1; i < n - 1; ++i) {
    angle += step;
    t.entries[static_cast<size_t>(i)] = static_cast<float>(1.0L / std::sin(angle));
  }
  t.entries[static_cast<size_t>(n - 1)] = 1.0f;
}

float FastArcsine(float x) {
  if (gTables == nullptr || gTables->arcsine.entries.empty()) return 1.0f;
  if (std::isnan(x)) x = 0.0f;
  const float a = std::fmin(std::fabs(x), 1.0f);
  const float value = gTables->arcsine.entries[IndexOf(gTables->arcsine, a)];
  return x < 0.0f ? -value : value;
}

float FastCosecant(float angle) {
  if (gTables == nullptr || gTables->cosecant.entries.empty()) return 1.0f;
  if (!std::isfinite(angle)) angle = 0.0f;
  float a = std::fabs(angle);
  if (a >= kTwoPi) a = std::fmod(a, kTwoPi);
  if (angle < 0.0f) a = kTwoPi - a;
  bool negate = false;
  if (a >= kPi) {
    negate = true;
    a = kTwoPi - a;
  }
  if (a >= kHalfPi) a = kPi - a;
  const float value = gTables->cosecant.entries[IndexOf(gTables->cosecant, a)];
  return negate ? -value : value;
}

float FastSecant(float angle) { return FastCosecant(kHalfPi - angle); }
