// Fonts as the definitions store them ("Font.Name", "Font.Height", ...). The
// widget layer draws with them; the translator adjusts them per language.
#pragma once

#include "core/event.h"
#include "core/persistent.h"
#include "core/reflection.h"

#include <cstdint>
#include <string>

namespace quendel {

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
extern const TEnumInfo FontStyleInfo;

enum TFontPitch { fpDefault, fpVariable, fpFixed };
extern const TEnumInfo FontPitchInfo;

// Character sets (the LOGFONT lfCharSet values).
inline constexpr std::uint8_t ANSI_CHARSET = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;

// A colour: 0x00BBGGRR, or a system colour (0x80000000 + COLOR_... index).
using TColor = std::int32_t;
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);
inline constexpr TColor clBtnShadow = static_cast<TColor>(0x80000010u);
inline constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000014u);
inline constexpr TColor clBtnText = static_cast<TColor>(0x80000012u);
inline constexpr TColor clWindow = static_cast<TColor>(0x80000005u);
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clNone = 0x1FFFFFFF;

// The names a definition may use for colours (clBtnFace, clBlue, ...) and
// character sets (DEFAULT_CHARSET, HEBREW_CHARSET, ...).
extern const TIdentMap ColorIdents;
extern const TIdentMap CharsetIdents;

class TFont : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Screen resolution that converts between Size (points) and Height (pixels).
  static constexpr int PixelsPerInch = 96;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  // Negative: the character height in pixels; positive: the cell height.
  std::int32_t Height() const { return FHeight; }
  void SetHeight(std::int32_t Value);
  // Points, derived from Height (-11 pixels at 96 dpi is 8 points).
  std::int32_t Size() const;
  void SetSize(std::int32_t Points);
  std::uint8_t Charset() const { return FCharset; }
  void SetCharset(std::uint8_t Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);

  void Assign(const TPersistent& Source) override;
  bool operator==(const TFont& Other) const;

  // Fired after every change (a control repaints).
  TEvent<void(TFont&)> OnChange;

private:
  void Changed();

  std::string FName = "MS Sans Serif";
  std::int32_t FHeight = -11;
  std::uint8_t FCharset = DEFAULT_CHARSET;
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  TFontPitch FPitch = fpDefault;
};

} // namespace quendel
