// Drawing surfaces. Controls paint through ICanvas only, so the same painting
// code draws into a window (GDI, win32 backend) and into a bitmap in memory
// (the headless backend's software renderer, which tests read pixel by pixel).
#pragma once

#include "core/graphics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quendel::ui {

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const TSize&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

inline TRect Bounds(int Left, int Top, int Width, int Height) {
  return {Left, Top, Left + Width, Top + Height};
}

// The Windows operation: the 64-bit product divided and rounded to the
// nearest integer, halves away from zero. A zero divisor gives -1, as there.
int MulDiv(int Number, int Numerator, int Denominator);

// 0x00BBGGRR parts.
inline int RValue(std::uint32_t C) { return static_cast<int>(C & 0xFF); }
inline int GValue(std::uint32_t C) { return static_cast<int>((C >> 8) & 0xFF); }
inline int BValue(std::uint32_t C) { return static_cast<int>((C >> 16) & 0xFF); }
inline std::uint32_t MakeRGB(int R, int G, int B) {
  return static_cast<std::uint32_t>((R & 0xFF) | ((G & 0xFF) << 8) | ((B & 0xFF) << 16));
}

class ICanvas {
public:
  virtual ~ICanvas() = default;

  // A system colour (0x80000000 + index) becomes the surface's RGB value.
  virtual std::uint32_t ColorToRGB(TColor Color) const = 0;

  virtual void FillRect(const TRect& R, TColor Color) = 0;
  // Filled polygon (pen and brush of the same colour).
  virtual void Polygon(const std::vector<TPoint>& Points, TColor Color) = 0;
  virtual void Line(int X1, int Y1, int X2, int Y2, TColor Color) = 0;
  // Size of Text drawn unrotated in Font.
  virtual TSize TextExtent(const TFont& Font, const std::string& Text) = 0;
  // Draws Text with a transparent background, its unrotated top-left corner
  // at (X, Y), turned counter-clockwise by Escapement tenths of a degree
  // around that corner.
  virtual void TextAt(int X, int Y, const std::string& Text, const TFont& Font, int Escapement,
                       TColor Color) = 0;
  // A 24- or 32-bit BMP file, its top-left corner at (X, Y).
  virtual void DrawBitmap(int X, int Y, const std::vector<std::uint8_t>& Bmp) = 0;

  // Moves the origin to R's top-left corner (in current coordinates) and
  // clips to R, until the matching Restore.
  virtual void Enter(const TRect& R) = 0;
  virtual void Restore() = 0;
};

} // namespace quendel::ui
