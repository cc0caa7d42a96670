// Persistent objects: everything whose published properties can be stored in
// a definition. Components derive from TPersistent; so do owned sub-objects,
// string lists and pictures.
#pragma once

#include "core/event.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quendel {

class TClassInfo;

class TPersistent {
public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  // The class's published-property table (see core/reflection.h).
  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const { return StaticClass(); }
  std::string_view ClassName() const;
  // True when this object's class is Cls or derives from it.
  bool InheritsFrom(const TClassInfo& Cls) const;

  // Copies the state of Source into this object; the base refuses.
  virtual void Assign(const TPersistent& Source);
};

// An ordered list of 8-bit texts; what ".Strings" properties hold.
class TStrings : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int Index) const;
  const std::string& operator[](int Index) const { return Strings(Index); }
  void Put(int Index, const std::string& S);
  int Add(const std::string& S);
  void Insert(int Index, const std::string& S);
  void Delete(int Index);
  void Clear();
  // Case-insensitive (ANSI) search; -1 when absent.
  int IndexOf(const std::string& S) const;
  // Lines joined with CR LF after each, as the classic Text property.
  std::string Text() const;
  // Splits on CR LF, LF or CR; a final line ending does not add an empty line.
  void SetText(const std::string& Text);
  const std::vector<std::string>& Items() const { return FItems; }
  void Assign(const TPersistent& Source) override;

  // Fired after every change (a memo or list box showing the list follows it).
  TEvent<void(TStrings&)> OnChange;

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

protected:
  // Runs after every change; a list that keeps derived state (a parsed
  // table) overrides it and calls the base, which fires OnChange.
  virtual void Changed();

private:
  void CheckIndex(int Index, bool AllowEnd) const;
  std::vector<std::string> FItems;
};

using TStringList = TStrings;

// A picture holds one graphic as its stored bytes. The only graphic class the
// definitions use is "TBitmap": the bytes of a Windows BMP file ("BM" header).
class TPicture : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  bool Empty() const { return FData.empty(); }
  const std::string& GraphicClass() const { return FGraphicClass; }
  const std::vector<std::uint8_t>& Data() const { return FData; }
  // Raises EInvalidGraphic when Data is not a BMP file.
  void SetBitmap(std::vector<std::uint8_t> Data);
  void Clear();
  // Width and height from the BMP header; 0 when empty.
  int Width() const;
  int Height() const;

  // The stored form of a ".Data" value: a short string naming the graphic
  // class, then the graphic's own data (for a bitmap: a 4-byte size and the
  // BMP bytes). Empty when there is no picture.
  virtual std::vector<std::uint8_t> SaveToStream() const;
  virtual void LoadFromStream(const std::vector<std::uint8_t>& Stored);
  void Assign(const TPersistent& Source) override;

private:
  std::string FGraphicClass;
  std::vector<std::uint8_t> FData;
};

} // namespace quendel
