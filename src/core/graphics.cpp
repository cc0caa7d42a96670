#include "core/graphics.h"

namespace quendel {

constexpr const char* kFontStyleInfo[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constinit const TEnumInfo FontStyleInfo("TFontStyle", kFontStyleInfo);
constexpr const char* kFontPitchInfo[] = {"fpDefault", "fpVariable", "fpFixed"};
constinit const TEnumInfo FontPitchInfo("TFontPitch", kFontPitchInfo);

namespace {
constexpr TIdentMap::TLiteral SysColor(const char* Name, std::uint32_t Index) {
  return {Name, static_cast<std::int64_t>(static_cast<TColor>(0x80000000u + Index))};
}
} // namespace

constexpr TIdentMap::TLiteral kColorIdents[] = {
    {"clBlack", 0x000000},      {"clMaroon", 0x000080},   {"clGreen", 0x008000},
    {"clOlive", 0x008080},      {"clNavy", 0x800000},     {"clPurple", 0x800080},
    {"clTeal", 0x808000},       {"clGray", 0x808080},     {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},        {"clLime", 0x00FF00},     {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},       {"clFuchsia", 0xFF00FF},  {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},      {"clNone", 0x1FFFFFFF},   {"clDefault", 0x20000000},
    SysColor("clScrollBar", 0), SysColor("clBackground", 1), SysColor("clActiveCaption", 2),
    SysColor("clInactiveCaption", 3), SysColor("clMenu", 4), SysColor("clWindow", 5),
    SysColor("clWindowFrame", 6), SysColor("clMenuText", 7), SysColor("clWindowText", 8),
    SysColor("clCaptionText", 9), SysColor("clActiveBorder", 10), SysColor("clInactiveBorder", 11),
    SysColor("clAppWorkSpace", 12), SysColor("clHighlight", 13), SysColor("clHighlightText", 14),
    SysColor("clBtnFace", 15), SysColor("clBtnShadow", 16), SysColor("clGrayText", 17),
    SysColor("clBtnText", 18), SysColor("clInactiveCaptionText", 19),
    SysColor("clBtnHighlight", 20), SysColor("cl3DDkShadow", 21), SysColor("cl3DLight", 22),
    SysColor("clInfoText", 23), SysColor("clInfoBk", 24),
};
constinit const TIdentMap ColorIdents(kColorIdents);

constexpr TIdentMap::TLiteral kCharsetIdents[] = {
    {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},   {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},  {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162}, {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},  {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},    {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255},
};
constinit const TIdentMap CharsetIdents(kCharsetIdents);

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
  return ClassTable([] {
    return TClassBuilder<T>("TFont", &TPersistent::StaticClass)
        .Int<&T::Charset, &T::SetCharset>("Charset", DEFAULT_CHARSET)
        .Idents(CharsetIdents)
        .Int<&T::Color, &T::SetColor>("Color", clWindowText)
        .Idents(ColorIdents)
        .Int<&T::Height, &T::SetHeight>("Height")
        .Str<&T::Name, &T::SetName>("Name")
        .Enum<&T::Pitch, &T::SetPitch>("Pitch", FontPitchInfo, fpDefault)
        // Height carries the size; Size is only a second way to set it.
        .Int<&T::Size, &T::SetSize>("Size")
        .Stored(false)
        .Set<&T::Style, &T::SetStyle>("Style", FontStyleInfo, TFontStyles{});
  });
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
