#include "engine/app/CursorResources.h"

#include <cmath>
#include <utility>

#include "platform/SdlCursorBackend.h"

namespace {

constexpr int32_t kSize = 32;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

using Points = std::vector<std::pair<double, double>>;

// A shape on a 32 x 32 grid: the union of polygons, rectangles and discs,
// filled white with a one-pixel black outline (what the system cursors look like).
class Shape {
 public:
  void Polygon(const Points& points) { polygons_.push_back(points); }
  void Box(double left, double top, double right, double bottom) {
    Polygon({{left, top}, {right, top}, {right, bottom}, {left, bottom}});
  }
  void Disc(double cx, double cy, double r, bool hole = false) { discs_.push_back({cx, cy, r, hole}); }

  bool Inside(double x, double y) const {
    bool in = false;
    for (const Points& p : polygons_) {
      bool odd = false;
      for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        const auto [xi, yi] = p[i];
        const auto [xj, yj] = p[j];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) odd = !odd;
      }
      in = in || odd;
    }
    for (const Disc_& d : discs_) {
      const bool inDisc = (x - d.cx) * (x - d.cx) + (y - d.cy) * (y - d.cy) <= d.r * d.r;
      if (d.hole && inDisc) return false;
      in = in || inDisc;
    }
    return in;
  }

  void Render(CursorPicture& out, int32_t hotX, int32_t hotY) const {
    out.width = kSize;
    out.height = kSize;
    out.hotX = hotX;
    out.hotY = hotY;
    out.argb.assign(static_cast<size_t>(kSize * kSize), 0);
    auto in = [this](int32_t x, int32_t y) {
      return x >= 0 && y >= 0 && x < kSize && y < kSize && Inside(x + 0.5, y + 0.5);
    };
    for (int32_t y = 0; y < kSize; ++y) {
      for (int32_t x = 0; x < kSize; ++x) {
        if (!in(x, y)) continue;
        const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
        out.argb[static_cast<size_t>(y * kSize + x)] = edge ? kBlack : kWhite;
      }
    }
  }

 private:
  struct Disc_ {
    double cx, cy, r;
    bool hole;
  };
  std::vector<Points> polygons_;
  std::vector<Disc_> discs_;
};

// A thick arrow pointing right, turned by quarter turns (0 right, 1 down, 2 left, 3 up).
Shape Arrow(int32_t quarterTurns) {
  Points p = {{4, 12}, {17, 12}, {17, 5}, {28, 16}, {17, 27}, {17, 20}, {4, 20}};
  for (auto& [x, y] : p) {
    for (int32_t t = 0; t < quarterTurns; ++t) {
      const double nx = 32 - y;
      y = x;
      x = nx;
    }
  }
  Shape s;
  s.Polygon(p);
  return s;
}

// Four arrowheads around a ring, the same after every quarter turn about the centre.
Shape LookCursor() {
  Shape s;
  Points head = {{16, 1}, {22.5, 8}, {9.5, 8}};
  for (int32_t turn = 0; turn < 4; ++turn) {
    s.Polygon(head);
    for (auto& [x, y] : head) {
      const double nx = 32 - y;
      y = x;
      x = nx;
    }
  }
  s.Disc(16, 16, 6);
  s.Disc(16, 16, 3, true);
  return s;
}

void Hand(Shape& s, bool open, bool pointing) {
  s.Box(7, 14, 22, 27);  // palm
  if (pointing) {
    s.Box(9, 1, 13, 15);   // index finger
    s.Box(13, 9, 16, 15);  // folded fingers
    s.Box(16, 10, 19, 15);
    s.Box(19, 11, 22, 15);
    s.Polygon({{7, 16}, {3, 12}, {1, 14}, {7, 22}});  // thumb
    return;
  }
  const double top = open ? 4 : 10;
  s.Box(8, top + 2, 11, 15);
  s.Box(11.5, top, 14.5, 15);
  s.Box(15, top + 1, 18, 15);
  s.Box(18.5, top + 3, 21.5, 15);
  if (open) {
    s.Polygon({{7, 18}, {2, 12}, {0, 14}, {7, 24}});
  } else {
    s.Box(4, 16, 8, 21);
  }
}

}  // namespace

const std::vector<uint16_t>& GetCursorResourceIds() {
  static const std::vector<uint16_t> ids = {105, 106, 107, 113, 171, 172, 173, 174, 175, 176, 177, 178, 220, 221};
  return ids;
}

bool GetCursorPicture(uint16_t id, CursorPicture& out) {
  Shape s;
  int32_t hotX = 16;
  int32_t hotY = 16;
  switch (id) {
    case 105: Hand(s, true, false); hotX = 14; hotY = 16; break;
    case 106: Hand(s, false, false); hotX = 14; hotY = 18; break;
    case 107: Hand(s, false, true); hotX = 11; hotY = 2; break;
    case 113:
      // Looking around: four arrowheads pointing away from a small ring, the
      // ways the view turns when the mouse moves; the centre stays clear so
      // that the point looked at shows.
      s = LookCursor();
      break;
    case 171:
    case 175: s = Arrow(2); break;
    case 172:
    case 176: s = Arrow(0); break;
    case 173:
    case 178: s = Arrow(1); break;
    case 174:
    case 177: s = Arrow(3); break;
    case 220:
      s.Polygon({{0, 0}, {0, 22}, {5.5, 17}, {9.5, 26}, {13, 24.5}, {9, 16}, {16, 16}});
      hotX = 0;
      hotY = 0;
      break;
    case 221:
      s.Box(6, 2, 26, 6);
      s.Box(6, 26, 26, 30);
      s.Polygon({{8, 6}, {24, 6}, {17.5, 16}, {24, 26}, {8, 26}, {14.5, 16}});
      break;
    default:
      return false;
  }
  s.Render(out, hotX, hotY);
  return true;
}

int32_t RegisterCursorResources() {
  platform::SdlCursorBackend* backend = platform::GetSdlCursorBackend();
  if (backend == nullptr) return 0;
  int32_t registered = 0;
  for (uint16_t id : GetCursorResourceIds()) {
    CursorPicture picture;
    if (!GetCursorPicture(id, picture)) continue;
    if (backend->RegisterProgramCursor(id, picture.argb.data(), picture.width, picture.height, picture.hotX,
                                       picture.hotY)) {
      ++registered;
    }
  }
  return registered;
}
