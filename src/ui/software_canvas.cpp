#include "ui/software_canvas.h"

#include "core/exceptions.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdlib>

namespace quendel::ui {

namespace {

struct TGlyph {
  int Code;
  int Advance;
  int Rows;
  std::uint64_t Bits[29];
};

const TGlyph Glyphs[] = {
#include "ui/glyphs.inc"
};

// The built-in face was rendered with a 24-pixel em in a 29-pixel cell.
constexpr int kEm = 24;
constexpr int kCell = 29;

const TGlyph& GlyphOf(char C) {
  const int code = static_cast<unsigned char>(C);
  if (code < 32 || code > 126) return Glyphs['?' - 32];
  return Glyphs[code - 32];
}

// Scale from the built-in face to Font, as a fraction Num / Den: a negative
// height is the em, a positive one the whole cell. Integer arithmetic keeps
// the drawing the same in every build (x87 and SSE round differently).
struct TScale {
  std::int64_t Num, Den;
};
TScale ScaleOf(const TFont& Font) {
  const int h = Font.Height();
  if (h < 0) return {-h, kEm};
  if (h > 0) return {h, kCell};
  return {13, kCell};
}

std::int64_t RoundDiv(std::int64_t A, std::int64_t B) { return (2 * A + B) / (2 * B); }

bool GlyphBit(const TGlyph& G, int X, int Y) {
  if (X < 0 || Y < 0 || X >= G.Advance || Y >= G.Rows) return false;
  return (G.Bits[Y] >> (G.Advance - 1 - X)) & 1u;
}

} // namespace

int MulDiv(int Number, int Numerator, int Denominator) {
  if (Denominator == 0) return -1;
  const std::int64_t p = static_cast<std::int64_t>(Number) * Numerator;
  std::int64_t d = Denominator;
  std::int64_t n = p;
  if (d < 0) {
    d = -d;
    n = -n;
  }
  const std::int64_t q = n >= 0 ? (n + d / 2) / d : (n - d / 2) / d;
  return static_cast<int>(q);
}

TBitmap32::TBitmap32(int Width, int Height, std::uint32_t Fill)
    : FWidth(std::max(0, Width)), FHeight(std::max(0, Height)),
      FPixels(static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight), Fill) {}

std::uint32_t TBitmap32::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
    Raise<EListError>("pixel outside the bitmap");
  return FPixels[static_cast<std::size_t>(Y) * FWidth + X];
}

void TBitmap32::SetPixel(int X, int Y, std::uint32_t Color) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
    Raise<EListError>("pixel outside the bitmap");
  FPixels[static_cast<std::size_t>(Y) * FWidth + X] = Color & 0xFFFFFF;
}

std::string TBitmap32::ToPPM() const {
  std::string out = "P6\n" + std::to_string(FWidth) + " " + std::to_string(FHeight) + "\n255\n";
  out.reserve(out.size() + FPixels.size() * 3);
  for (std::uint32_t c : FPixels) {
    out.push_back(static_cast<char>(RValue(c)));
    out.push_back(static_cast<char>(GValue(c)));
    out.push_back(static_cast<char>(BValue(c)));
  }
  return out;
}

TBitmap32 TBitmap32::FromPPM(const std::string& Data) {
  std::size_t pos = 0;
  auto token = [&]() {
    while (pos < Data.size()) {
      if (Data[pos] == '#') {
        while (pos < Data.size() && Data[pos] != '\n') ++pos;
      } else if (std::isspace(static_cast<unsigned char>(Data[pos]))) {
        ++pos;
      } else {
        break;
      }
    }
    const std::size_t start = pos;
    while (pos < Data.size() && !std::isspace(static_cast<unsigned char>(Data[pos]))) ++pos;
    return Data.substr(start, pos - start);
  };
  if (token() != "P6") Raise<EInvalidGraphic>("not a binary PPM image");
  const int w = std::atoi(token().c_str());
  const int h = std::atoi(token().c_str());
  const int maxval = std::atoi(token().c_str());
  ++pos; // the single whitespace after the header
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || maxval != 255)
    Raise<EInvalidGraphic>("unsupported PPM image");
  if (Data.size() < pos + static_cast<std::size_t>(w) * h * 3)
    Raise<EInvalidGraphic>("truncated PPM image");
  TBitmap32 b(w, h);
  for (int i = 0; i < w * h; ++i) {
    const auto* p = reinterpret_cast<const unsigned char*>(Data.data() + pos + i * 3);
    b.FPixels[static_cast<std::size_t>(i)] = MakeRGB(p[0], p[1], p[2]);
  }
  return b;
}

std::uint32_t ClassicSysColor(int Index) {
  static const std::uint32_t table[] = {
      MakeRGB(192, 192, 192), MakeRGB(0, 128, 128),   MakeRGB(0, 0, 128),     MakeRGB(128, 128, 128),
      MakeRGB(192, 192, 192), MakeRGB(255, 255, 255), MakeRGB(0, 0, 0),       MakeRGB(0, 0, 0),
      MakeRGB(0, 0, 0),       MakeRGB(255, 255, 255), MakeRGB(192, 192, 192), MakeRGB(192, 192, 192),
      MakeRGB(128, 128, 128), MakeRGB(0, 0, 128),     MakeRGB(255, 255, 255), MakeRGB(192, 192, 192),
      MakeRGB(128, 128, 128), MakeRGB(128, 128, 128), MakeRGB(0, 0, 0),       MakeRGB(192, 192, 192),
      MakeRGB(255, 255, 255), MakeRGB(0, 0, 0),       MakeRGB(223, 223, 223), MakeRGB(0, 0, 0),
      MakeRGB(255, 255, 225)};
  if (Index < 0 || Index >= static_cast<int>(std::size(table))) return 0;
  return table[Index];
}

TSoftwareCanvas::TSoftwareCanvas(TBitmap32& Target)
    : FTarget(Target), FState{0, 0, {0, 0, Target.Width(), Target.Height()}} {}

std::uint32_t TSoftwareCanvas::ColorToRGB(TColor Color) const {
  if (Color < 0) return ClassicSysColor(Color & 0xFF);
  return static_cast<std::uint32_t>(Color) & 0xFFFFFF;
}

void TSoftwareCanvas::Plot(int X, int Y, std::uint32_t Rgb) {
  const int x = X + FState.OrgX;
  const int y = Y + FState.OrgY;
  if (x < FState.Clip.Left || y < FState.Clip.Top || x >= FState.Clip.Right ||
      y >= FState.Clip.Bottom)
    return;
  FTarget.SetPixel(x, y, Rgb);
}

void TSoftwareCanvas::FillRect(const TRect& R, TColor Color) {
  const std::uint32_t rgb = ColorToRGB(Color);
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x) Plot(x, y, rgb);
}

void TSoftwareCanvas::Polygon(const std::vector<TPoint>& Points, TColor Color) {
  if (Points.size() < 3) return;
  const std::uint32_t rgb = ColorToRGB(Color);
  int minY = Points[0].Y, maxY = Points[0].Y, minX = Points[0].X, maxX = Points[0].X;
  for (const TPoint& p : Points) {
    minY = std::min(minY, p.Y);
    maxY = std::max(maxY, p.Y);
    minX = std::min(minX, p.X);
    maxX = std::max(maxX, p.X);
  }
  // Even-odd rule at pixel centres, then the outline (the pen).
  const std::size_t n = Points.size();
  for (int y = minY; y <= maxY; ++y) {
    const double cy = y + 0.5;
    for (int x = minX; x <= maxX; ++x) {
      const double cx = x + 0.5;
      bool inside = false;
      for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const TPoint& a = Points[i];
        const TPoint& b = Points[j];
        if ((a.Y > cy) != (b.Y > cy)) {
          const double ix = a.X + (cy - a.Y) * (b.X - a.X) / static_cast<double>(b.Y - a.Y);
          if (cx < ix) inside = !inside;
        }
      }
      if (inside) Plot(x, y, rgb);
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    const TPoint& a = Points[i];
    const TPoint& b = Points[(i + 1) % n];
    Line(a.X, a.Y, b.X, b.Y, Color);
  }
}

void TSoftwareCanvas::Line(int X1, int Y1, int X2, int Y2, TColor Color) {
  // Bresenham, last point excluded as GDI's LineTo does.
  const std::uint32_t rgb = ColorToRGB(Color);
  const int dx = std::abs(X2 - X1), sx = X1 < X2 ? 1 : -1;
  const int dy = -std::abs(Y2 - Y1), sy = Y1 < Y2 ? 1 : -1;
  int err = dx + dy;
  int x = X1, y = Y1;
  while (x != X2 || y != Y2) {
    Plot(x, y, rgb);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

TSize TSoftwareCanvas::TextExtent(const TFont& Font, const std::string& Text) {
  const TScale sc = ScaleOf(Font);
  std::int64_t advance = 0;
  for (char c : Text) advance += GlyphOf(c).Advance;
  return {static_cast<int>(RoundDiv(advance * sc.Num, sc.Den)),
          static_cast<int>(RoundDiv(kCell * sc.Num, sc.Den))};
}

void TSoftwareCanvas::TextAt(int X, int Y, const std::string& Text, const TFont& Font,
                             int Escapement, TColor Color) {
  if (Text.empty()) return;
  const std::uint32_t rgb = ColorToRGB(Color);
  const TScale sc = ScaleOf(Font);
  std::vector<int> starts;
  int total = 0;
  for (char c : Text) {
    starts.push_back(total);
    total += GlyphOf(c).Advance;
  }
  // Sine and cosine in 1/65536 steps, then integers only.
  constexpr std::int64_t kOne = 65536;
  const double theta = Escapement / 10.0 * std::numbers::pi / 180.0;
  const std::int64_t c = std::llround(std::cos(theta) * kOne);
  const std::int64_t sn = std::llround(std::sin(theta) * kOne);
  const double w = static_cast<double>(total) * sc.Num / sc.Den;
  const double h = static_cast<double>(kCell) * sc.Num / sc.Den;
  // Text space (u along the baseline, v downwards) maps to the screen as
  // (X + u c + v s, Y - u s + v c): a counter-clockwise turn on a y-down screen.
  const double cd = static_cast<double>(c) / kOne, sd = static_cast<double>(sn) / kOne;
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (const auto& [u, v] : {std::pair{0.0, 0.0}, {w, 0.0}, {0.0, h}, {w, h}}) {
    const double px = u * cd + v * sd, py = -u * sd + v * cd;
    minX = std::min(minX, px);
    maxX = std::max(maxX, px);
    minY = std::min(minY, py);
    maxY = std::max(maxY, py);
  }
  const std::int64_t cols = total, rows = kCell;
  for (int py = static_cast<int>(std::floor(minY)) - 1; py <= static_cast<int>(std::ceil(maxY)) + 1;
       ++py) {
    for (int px = static_cast<int>(std::floor(minX)) - 1;
         px <= static_cast<int>(std::ceil(maxX)) + 1; ++px) {
      // The pixel's centre in half pixels, turned back into text space:
      // u = (dx c - dy s) / (2 kOne), v = (dx s + dy c) / (2 kOne).
      const std::int64_t dx = 2 * px + 1, dy = 2 * py + 1;
      const std::int64_t u2 = dx * c - dy * sn;
      const std::int64_t v2 = dx * sn + dy * c;
      if (u2 < 0 || v2 < 0) continue;
      // Glyph cell coordinates: u / scale = u2 Den / (2 kOne Num).
      const std::int64_t gu = u2 * sc.Den / (2 * kOne * sc.Num);
      const std::int64_t gv = v2 * sc.Den / (2 * kOne * sc.Num);
      if (gu >= cols || gv >= rows) continue;
      const auto it = std::upper_bound(starts.begin(), starts.end(), static_cast<int>(gu)) - 1;
      const std::size_t index = static_cast<std::size_t>(it - starts.begin());
      if (GlyphBit(GlyphOf(Text[index]), static_cast<int>(gu) - *it, static_cast<int>(gv)))
        Plot(X + px, Y + py, rgb);
    }
  }
}

void TSoftwareCanvas::DrawBitmap(int X, int Y, const std::vector<std::uint8_t>& Bmp) {
  auto u16 = [&](std::size_t o) { return Bmp[o] | (Bmp[o + 1] << 8); };
  auto u32 = [&](std::size_t o) {
    return static_cast<std::uint32_t>(Bmp[o] | (Bmp[o + 1] << 8) | (Bmp[o + 2] << 16)) |
           (static_cast<std::uint32_t>(Bmp[o + 3]) << 24);
  };
  if (Bmp.size() < 54 || Bmp[0] != 'B' || Bmp[1] != 'M') return;
  const std::uint32_t offset = u32(10);
  const int w = static_cast<int>(u32(18));
  const int rawH = static_cast<int>(u32(22));
  const int bpp = u16(28);
  if ((bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) || u32(30) != 0 || w <= 0 || rawH == 0 ||
      w > 65536 || rawH < -65536 || rawH > 65536)
    return;
  const int h = std::abs(rawH);
  const std::size_t stride = ((static_cast<std::size_t>(w) * bpp + 7) / 8 + 3) & ~std::size_t{3};
  if (offset > Bmp.size() || stride * h > Bmp.size() - offset) return;
  // A palette follows the header: its colour count, or every colour of the depth.
  const std::size_t header = u32(14);
  std::size_t colours = bpp <= 8 ? u32(46) : 0;
  if (bpp <= 8 && (colours == 0 || colours > (std::size_t{1} << bpp))) colours = std::size_t{1} << bpp;
  if (header < 40 || header > offset || offset - header < 14 || colours * 4 > offset - 14 - header)
    return;
  const std::uint8_t* palette = Bmp.data() + 14 + header;
  for (int row = 0; row < h; ++row) {
    const int y = rawH > 0 ? h - 1 - row : row;
    const std::uint8_t* p = Bmp.data() + offset + stride * row;
    for (int x = 0; x < w; ++x) {
      if (bpp <= 8) {
        std::size_t index = bpp == 8 ? p[x] : (x % 2 == 0 ? p[x / 2] >> 4 : p[x / 2] & 0x0F);
        if (index >= colours) index = 0;
        const std::uint8_t* c = palette + index * 4;
        Plot(X + x, Y + y, MakeRGB(c[2], c[1], c[0]));
        continue;
      }
      const std::uint8_t* px = p + x * (bpp / 8);
      Plot(X + x, Y + y, MakeRGB(px[2], px[1], px[0]));
    }
  }
}

void TSoftwareCanvas::Enter(const TRect& R) {
  FSaved.push_back(FState);
  const int left = FState.OrgX + R.Left, top = FState.OrgY + R.Top;
  FState.OrgX = left;
  FState.OrgY = top;
  FState.Clip = {std::max(FState.Clip.Left, left), std::max(FState.Clip.Top, top),
                 std::min(FState.Clip.Right, left + R.Width()),
                 std::min(FState.Clip.Bottom, top + R.Height())};
}

void TSoftwareCanvas::Restore() {
  if (FSaved.empty()) return;
  FState = FSaved.back();
  FSaved.pop_back();
}

} // namespace quendel::ui
