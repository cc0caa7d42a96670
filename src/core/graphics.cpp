#include "core/graphics.h"

namespace quendel {

const TEnumInfo FontStyleInfo("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
const TEnumInfo FontPitchInfo("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});

namespace {
// MulDiv: the product rounded half away from zero.
std::int32_t MulDiv(std::int32_t Value, std::int32_t Num, std::int32_t Den) {
  const std::int64_t p = static_cast<std::int64_t>(Value) * Num;
  const std::int64_t q = p >= 0 ? (p + Den / 2) / Den : (p - Den / 2) / Den;
  return static_cast<std::int32_t>(q);
}
} // namespace

const TClassInfo& TFont::StaticClass() {
  using T = TFont;
  static const TClassInfo Info =
      TClassBuilder<T>("TFont", TPersistent::StaticClass())
          .Int("Charset", &T::Charset, &T::SetCharset, DEFAULT_CHARSET)
          .Int("Color", &T::Color, &T::SetColor, clWindowText)
          .Int("Height", &T::Height, &T::SetHeight)
          .Str("Name", &T::Name, &T::SetName)
          .Enum("Pitch", &T::Pitch, &T::SetPitch, FontPitchInfo, fpDefault)
          // Height carries the size; Size is only a second way to set it.
          .Int("Size", &T::Size, &T::SetSize)
          .Stored(false)
          .Set("Style", &T::Style, &T::SetStyle, FontStyleInfo, TFontStyles{})
          .Build();
  return Info;
}

void TFont::SetName(const std::string& Value) {
  if (Value == FName) return;
  FName = Value;
  Changed();
}

void TFont::SetHeight(std::int32_t Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  Changed();
}

std::int32_t TFont::Size() const {
  return -MulDiv(FHeight, 72, PixelsPerInch);
}

void TFont::SetSize(std::int32_t Points) {
  SetHeight(-MulDiv(Points, PixelsPerInch, 72));
}

void TFont::SetCharset(std::uint8_t Value) {
  if (Value == FCharset) return;
  FCharset = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch) return;
  FPitch = Value;
  Changed();
}

void TFont::Assign(const TPersistent& Source) {
  if (auto* f = dynamic_cast<const TFont*>(&Source)) {
    if (f == this) return;
    FName = f->FName;
    FHeight = f->FHeight;
    FCharset = f->FCharset;
    FColor = f->FColor;
    FStyle = f->FStyle;
    FPitch = f->FPitch;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

bool TFont::operator==(const TFont& o) const {
  return FName == o.FName && FHeight == o.FHeight && FCharset == o.FCharset && FColor == o.FColor &&
         FStyle == o.FStyle && FPitch == o.FPitch;
}

void TFont::Changed() {
  if (OnChange) OnChange(*this);
}

} // namespace quendel
