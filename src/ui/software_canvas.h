// The headless backend's renderer: an RGB bitmap in memory and a canvas that
// draws into it with the same rules as the GDI canvas (solid fills, filled
// polygons, text at any angle). Text uses one built-in bold sans-serif face
// scaled to the font's height, so drawings are the same on every machine.
#pragma once

#include "ui/canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quendel::ui {

class TBitmap32 {
public:
  TBitmap32() = default;
  TBitmap32(int Width, int Height, std::uint32_t Fill = 0);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // 0x00BBGGRR; raises EListError outside the bitmap.
  std::uint32_t Pixel(int X, int Y) const;
  void SetPixel(int X, int Y, std::uint32_t Color);
  const std::vector<std::uint32_t>& Pixels() const { return FPixels; }
  // Binary PPM (P6), which image tools read and write.
  std::string ToPPM() const;
  // Raises EInvalidGraphic for anything but a binary 8-bit PPM.
  static TBitmap32 FromPPM(const std::string& Data);

private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<std::uint32_t> FPixels;
};

// Colours of the classic Windows scheme, for system colours in memory.
std::uint32_t ClassicSysColor(int Index);

class TSoftwareCanvas : public ICanvas {
public:
  explicit TSoftwareCanvas(TBitmap32& Target);

  std::uint32_t ColorToRGB(TColor Color) const override;
  void FillRect(const TRect& R, TColor Color) override;
  void Polygon(const std::vector<TPoint>& Points, TColor Color) override;
  void Line(int X1, int Y1, int X2, int Y2, TColor Color) override;
  TSize TextExtent(const TFont& Font, const std::string& Text) override;
  void TextAt(int X, int Y, const std::string& Text, const TFont& Font, int Escapement,
               TColor Color) override;
  void DrawBitmap(int X, int Y, const std::vector<std::uint8_t>& Bmp) override;
  void Enter(const TRect& R) override;
  void Restore() override;

private:
  void Plot(int X, int Y, std::uint32_t Rgb);

  struct TState {
    int OrgX, OrgY;
    TRect Clip; // in bitmap coordinates
  };
  TBitmap32& FTarget;
  TState FState;
  std::vector<TState> FSaved;
};

} // namespace quendel::ui
