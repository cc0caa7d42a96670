#include "core/persistent.h"

#include "core/byte_order.h"
#include "core/exceptions.h"
#include "core/reflection.h"
#include "core/strings.h"

#include <cstring>

namespace quendel {

// --- TPersistent -------------------------------------------------------------

const TClassInfo& TPersistent::StaticClass() {
  return ClassTable([] { return TClassBuilder<TPersistent>("TPersistent"); });
}

std::string_view TPersistent::ClassName() const {
  return ClassType().Name();
}

bool TPersistent::InheritsFrom(const TClassInfo& Cls) const {
  return ClassType().InheritsFrom(Cls);
}

void TPersistent::Assign(const TPersistent& Source) {
  Raise<EConvertError>("Cannot assign a %s to a %s", {Source.ClassName(), ClassName()});
}

// --- TStrings ----------------------------------------------------------------

const TClassInfo& TStrings::StaticClass() {
  return ClassTable([] { return TClassBuilder<TStrings>("TStrings", &TPersistent::StaticClass); });
}

void TStrings::CheckIndex(int Index, bool AllowEnd) const {
  if (Index < 0 || Index > Count() || (!AllowEnd && Index == Count()))
    Raise<EListError>("List index out of bounds (%d)", {Index});
}

const std::string& TStrings::Strings(int Index) const {
  CheckIndex(Index, false);
  return FItems[static_cast<std::size_t>(Index)];
}

void TStrings::Put(int Index, const std::string& S) {
  CheckIndex(Index, false);
  FItems[static_cast<std::size_t>(Index)] = S;
  Changed();
}

int TStrings::Add(const std::string& S) {
  FItems.push_back(S);
  Changed();
  return Count() - 1;
}

void TStrings::Insert(int Index, const std::string& S) {
  CheckIndex(Index, true);
  FItems.insert(FItems.begin() + Index, S);
  Changed();
}

void TStrings::Delete(int Index) {
  CheckIndex(Index, false);
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TStrings::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(FItems[static_cast<std::size_t>(i)], S)) return i;
  return -1;
}

std::string TStrings::Text() const {
  std::string r;
  for (const auto& s : FItems) {
    r += s;
    r += "\r\n";
  }
  return r;
}

void TStrings::SetText(const std::string& Text) {
  FItems.clear();
  std::size_t i = 0;
  while (i < Text.size()) {
    std::size_t j = i;
    while (j < Text.size() && Text[j] != '\r' && Text[j] != '\n') ++j;
    FItems.push_back(Text.substr(i, j - i));
    if (j < Text.size() && Text[j] == '\r') ++j;
    if (j < Text.size() && Text[j] == '\n') ++j;
    i = j;
  }
  Changed();
}

void TStrings::Assign(const TPersistent& Source) {
  if (auto* s = dynamic_cast<const TStrings*>(&Source)) {
    FItems = s->FItems;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::Changed() {
  if (OnChange) OnChange(*this);
}

// --- TPicture ----------------------------------------------------------------

const TClassInfo& TPicture::StaticClass() {
  return ClassTable([] { return TClassBuilder<TPicture>("TPicture", &TPersistent::StaticClass); });
}

namespace {
constexpr std::size_t kBmpFileHeader = 14;
} // namespace

void TPicture::SetBitmap(std::vector<std::uint8_t> Data) {
  // A BMP file header and at least the size field of the info header.
  if (Data.size() < kBmpFileHeader + 4 || Data[0] != 'B' || Data[1] != 'M')
    Raise<EInvalidGraphic>("Bitmap image is not valid");
  FGraphicClass = "TBitmap";
  FData = std::move(Data);
}

void TPicture::Clear() {
  FGraphicClass.clear();
  FData.clear();
}

int TPicture::Width() const {
  if (FData.size() < kBmpFileHeader + 12) return 0;
  if (GetLE<std::uint32_t>(FData, kBmpFileHeader) == 12) // OS/2 core header: 16-bit sizes
    return GetLE<std::uint16_t>(FData, 18);
  return static_cast<int>(GetLE<std::uint32_t>(FData, 18));
}

int TPicture::Height() const {
  if (FData.size() < kBmpFileHeader + 12) return 0;
  if (GetLE<std::uint32_t>(FData, kBmpFileHeader) == 12) return GetLE<std::uint16_t>(FData, 20);
  const auto h = GetLE<std::int32_t>(FData, 22);
  return h < 0 ? -h : h; // a negative height marks a top-down bitmap
}

std::vector<std::uint8_t> TPicture::SaveToStream() const {
  std::vector<std::uint8_t> out;
  if (Empty()) return out;
  out.push_back(static_cast<std::uint8_t>(FGraphicClass.size()));
  out.insert(out.end(), FGraphicClass.begin(), FGraphicClass.end());
  AppendLE(out, static_cast<std::uint32_t>(FData.size()));
  out.insert(out.end(), FData.begin(), FData.end());
  return out;
}

void TPicture::LoadFromStream(const std::vector<std::uint8_t>& Stored) {
  if (Stored.empty()) {
    Clear();
    return;
  }
  const std::size_t nameLen = Stored[0];
  if (1 + nameLen > Stored.size()) Raise<EInvalidGraphic>("Bitmap image is not valid");
  std::string cls(Stored.begin() + 1, Stored.begin() + 1 + static_cast<std::ptrdiff_t>(nameLen));
  if (cls != "TBitmap") Raise<EInvalidGraphic>("Unknown picture file extension (%s)", {cls});
  std::size_t at = 1 + nameLen;
  if (Stored.size() - at < 4) Raise<EInvalidGraphic>("Bitmap image is not valid");
  const auto size = GetLE<std::uint32_t>(Stored, at);
  at += 4;
  if (size > Stored.size() - at) Raise<EInvalidGraphic>("Bitmap image is not valid");
  if (size == 0) {
    Clear();
    return;
  }
  SetBitmap(std::vector<std::uint8_t>(Stored.begin() + static_cast<std::ptrdiff_t>(at),
                                      Stored.begin() + static_cast<std::ptrdiff_t>(at + size)));
}

void TPicture::Assign(const TPersistent& Source) {
  if (auto* p = dynamic_cast<const TPicture*>(&Source)) {
    FGraphicClass = p->FGraphicClass;
    FData = p->FData;
    return;
  }
  TPersistent::Assign(Source);
}

} // namespace quendel
