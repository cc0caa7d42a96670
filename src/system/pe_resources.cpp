#include "system/pe_resources.h"

#include "core/byte_order.h"

#include <algorithm>
#include <cstring>

namespace quendel {

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSecurityDirectory = 4;
// Initialised data, readable: what resource compilers give .rsrc.
constexpr std::uint32_t kResourceSectionFlags = 0x40000040;
// Directory nesting of a resource tree: type, name, language.
constexpr int kResourceLevels = 3;

[[noreturn]] void Bad(const std::string& What) {
  Raise<EPeImage>("Not a valid PE image: " + What);
}

std::uint16_t Get16(const TBytes& B, std::size_t Off) {
  if (!Fits(B.size(), Off, 2)) Bad("a header lies outside the file");
  return GetLE<std::uint16_t>(B, Off);
}

std::uint32_t Get32(const TBytes& B, std::size_t Off) {
  if (!Fits(B.size(), Off, 4)) Bad("a header lies outside the file");
  return GetLE<std::uint32_t>(B, Off);
}

void Put16(TBytes& B, std::size_t Off, std::uint16_t V) {
  PutLE(std::span<std::uint8_t>(B), Off, V);
}

void Put32(TBytes& B, std::size_t Off, std::uint32_t V) {
  PutLE(std::span<std::uint8_t>(B), Off, V);
}

std::uint32_t AlignUp(std::uint32_t V, std::uint32_t A) {
  if (A == 0) return V;
  const std::uint64_t r = (static_cast<std::uint64_t>(V) + A - 1) / A * A;
  if (r > 0xFFFFFFFFu) Bad("sizes overflow 32 bits");
  return static_cast<std::uint32_t>(r);
}

struct TSection {
  std::size_t HeaderOffset;
  std::uint32_t VirtualSize, VirtualAddress, SizeOfRawData, PointerToRawData;
  std::uint32_t VirtualEnd() const { return VirtualAddress + std::max(VirtualSize, SizeOfRawData); }
};

// The headers of an image, with the offsets of the fields this code changes.
struct TPeLayout {
  std::size_t CoffOffset = 0;     // "PE\0\0" + 4
  std::size_t OptionalOffset = 0; // optional header
  std::size_t SectionTable = 0;
  std::uint16_t SectionCount = 0;
  std::uint32_t SectionAlignment = 0, FileAlignment = 0, SizeOfHeaders = 0;
  std::size_t DirectoryOffset = 0; // data directories
  std::uint32_t DirectoryCount = 0;
  std::vector<TSection> Sections;

  std::size_t ChecksumOffset() const { return OptionalOffset + 64; }
  std::size_t Directory(std::uint32_t I) const { return DirectoryOffset + 8 * I; }
};

TPeLayout ParseLayout(const TBytes& B) {
  TPeLayout L;
  if (B.size() < 0x40 || B[0] != 'M' || B[1] != 'Z') Bad("no MZ header");
  const std::uint32_t pe = Get32(B, 0x3C);
  if (Get32(B, pe) != 0x00004550) Bad("no PE signature");
  L.CoffOffset = pe + 4;
  L.SectionCount = Get16(B, L.CoffOffset + 2);
  const std::uint16_t optSize = Get16(B, L.CoffOffset + 16);
  L.OptionalOffset = L.CoffOffset + 20;
  const std::uint16_t magic = Get16(B, L.OptionalOffset);
  std::size_t countOff = 0;
  if (magic == 0x10B) {
    countOff = 92;
  } else if (magic == 0x20B) {
    countOff = 108;
  } else {
    Bad("unknown optional header");
  }
  if (optSize < countOff + 4) Bad("optional header too short");
  L.SectionAlignment = Get32(B, L.OptionalOffset + 32);
  L.FileAlignment = Get32(B, L.OptionalOffset + 36);
  L.SizeOfHeaders = Get32(B, L.OptionalOffset + 60);
  L.DirectoryCount = Get32(B, L.OptionalOffset + countOff);
  L.DirectoryOffset = L.OptionalOffset + countOff + 4;
  if (L.DirectoryCount > 16 || L.DirectoryOffset + 8 * L.DirectoryCount > L.OptionalOffset + optSize)
    Bad("bad data directory count");
  if (L.FileAlignment == 0 || L.SectionAlignment == 0) Bad("zero alignment");
  L.SectionTable = L.OptionalOffset + optSize;
  for (std::uint16_t i = 0; i < L.SectionCount; ++i) {
    const std::size_t h = L.SectionTable + kSectionHeaderSize * i;
    TSection s{h, Get32(B, h + 8), Get32(B, h + 12), Get32(B, h + 16), Get32(B, h + 20)};
    if (s.SizeOfRawData && (s.PointerToRawData > B.size() || B.size() - s.PointerToRawData < s.SizeOfRawData))
      Bad("a section lies outside the file");
    // One that wraps round the 4 GiB address space would overlap the others,
    // and a section added after "the last" would land inside it.
    if (std::uint64_t{s.VirtualAddress} + std::max(s.VirtualSize, s.SizeOfRawData) > 0xFFFFFFFFu)
      Bad("a section lies outside the address space");
    L.Sections.push_back(s);
  }
  // Sections never share addresses: where two did, a resource written into
  // one would be read back from the other.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> Ranges;
  for (const TSection& s : L.Sections)
    if (s.VirtualEnd() > s.VirtualAddress) Ranges.emplace_back(s.VirtualAddress, s.VirtualEnd());
  std::sort(Ranges.begin(), Ranges.end());
  for (std::size_t i = 1; i < Ranges.size(); ++i)
    if (Ranges[i].first < Ranges[i - 1].second) Bad("two sections share addresses");
  return L;
}

// The file offset of Size bytes at Rva, which must lie in one section's data.
std::size_t RvaToOffset(const TPeLayout& L, std::uint32_t Rva, std::uint32_t Size) {
  for (const TSection& s : L.Sections) {
    if (Rva < s.VirtualAddress || Rva - s.VirtualAddress >= std::max(s.VirtualSize, s.SizeOfRawData))
      continue;
    const std::uint32_t into = Rva - s.VirtualAddress;
    if (into > s.SizeOfRawData || s.SizeOfRawData - into < Size)
      Bad("resource data lies outside its section's file data");
    return s.PointerToRawData + into;
  }
  Bad("resource data lies outside every section");
}

// A resource tree: types, names, languages, each level a list of keyed nodes.
struct TResKey {
  bool IsName = false;
  std::uint16_t Id = 0;
  std::u16string Name;
};

bool KeyLess(const TResKey& A, const TResKey& B) {
  // Named entries come first, in ascending order; then identifiers ascending.
  // The Win32 lookup searches both parts in halves, so the order matters.
  if (A.IsName != B.IsName) return A.IsName;
  if (A.IsName) return A.Name < B.Name;
  return A.Id < B.Id;
}

struct TResNode {
  TResKey Key;
  std::vector<TResNode> Children; // the levels above the leaves
  std::uint32_t CodePage = 0;     // leaves
  TBytes Data;                    // leaves
};

struct TTreeReader {
  const TBytes& B;
  const TPeLayout& L;
  std::size_t Base;    // file offset of the resource section data
  std::uint32_t Limit; // size of the resource directory data
  int Directories = 0;

  void Check(std::uint32_t Off, std::uint32_t Size) const {
    if (Off > Limit || Limit - Off < Size) Bad("a resource entry lies outside the resource data");
  }

  TResKey ReadKey(std::uint32_t Raw) const {
    TResKey k;
    if (Raw & 0x80000000u) {
      const std::uint32_t off = Raw & 0x7FFFFFFFu;
      Check(off, 2);
      const std::uint16_t len = Get16(B, Base + off);
      Check(off + 2, 2u * len);
      k.IsName = true;
      for (std::uint16_t i = 0; i < len; ++i)
        k.Name.push_back(static_cast<char16_t>(Get16(B, Base + off + 2 + 2u * i)));
    } else {
      k.Id = static_cast<std::uint16_t>(Raw);
    }
    return k;
  }

  std::vector<TResNode> ReadDirectory(std::uint32_t Off, int Level) {
    // A damaged tree could point back at itself; real trees have a few
    // hundred directories at most.
    if (++Directories > 65536) Bad("the resource tree is too large");
    Check(Off, 16);
    const std::uint32_t count =
        static_cast<std::uint32_t>(Get16(B, Base + Off + 12)) + Get16(B, Base + Off + 14);
    Check(Off + 16, 8 * count);
    std::vector<TResNode> nodes;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t e = Base + Off + 16 + 8 * i;
      TResNode n;
      n.Key = ReadKey(Get32(B, e));
      const std::uint32_t target = Get32(B, e + 4);
      const bool isDir = (target & 0x80000000u) != 0;
      if (isDir != (Level + 1 < kResourceLevels)) Bad("the resource tree is not three levels deep");
      if (isDir) {
        n.Children = ReadDirectory(target & 0x7FFFFFFFu, Level + 1);
      } else {
        Check(target, 16);
        const std::uint32_t rva = Get32(B, Base + target);
        const std::uint32_t size = Get32(B, Base + target + 4);
        n.CodePage = Get32(B, Base + target + 8);
        const std::size_t at = RvaToOffset(L, rva, size);
        n.Data.assign(B.begin() + static_cast<std::ptrdiff_t>(at),
                      B.begin() + static_cast<std::ptrdiff_t>(at + size));
      }
      nodes.push_back(std::move(n));
    }
    return nodes;
  }
};

std::vector<TResNode> ReadTree(const TBytes& B, const TPeLayout& L) {
  if (L.DirectoryCount <= kResourceDirectory) return {};
  const std::uint32_t rva = Get32(B, L.Directory(kResourceDirectory));
  const std::uint32_t size = Get32(B, L.Directory(kResourceDirectory) + 4);
  if (rva == 0) return {};
  // The directory size is not always exact (some linkers round it); allow
  // the entries to reach to the end of the section's file data.
  std::uint32_t limit = size;
  for (const TSection& s : L.Sections)
    if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData)
      limit = std::max(limit, s.SizeOfRawData - (rva - s.VirtualAddress));
  TTreeReader r{B, L, RvaToOffset(L, rva, 16), limit};
  return r.ReadDirectory(0, 0);
}

std::u16string UpperName(const std::string& Name) {
  std::u16string s;
  for (unsigned char c : Name)
    s.push_back(static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
  return s;
}

std::u16string UpperName(const std::u16string& Name) {
  std::u16string s = Name;
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return s;
}

TResNode* FindNode(std::vector<TResNode>& Nodes, const TResKey& Key) {
  for (TResNode& n : Nodes) {
    if (n.Key.IsName != Key.IsName) continue;
    if (Key.IsName ? UpperName(n.Key.Name) == UpperName(Key.Name) : n.Key.Id == Key.Id) return &n;
  }
  return nullptr;
}

// Writes the tree as resource section data for a section at SectionRva:
// every directory first (the root, the types' name lists, the names'
// language lists), then the name strings, the data entries and the data.
TBytes WriteTree(std::vector<TResNode>& Types, std::uint32_t SectionRva) {
  auto sortLevel = [](std::vector<TResNode>& Nodes) {
    std::stable_sort(Nodes.begin(), Nodes.end(),
                     [](const TResNode& A, const TResNode& B) { return KeyLess(A.Key, B.Key); });
  };
  sortLevel(Types);
  std::vector<std::vector<TResNode>*> dirs{&Types};
  for (TResNode& t : Types) {
    sortLevel(t.Children);
    dirs.push_back(&t.Children);
  }
  std::vector<TResNode*> leaves;
  for (TResNode& t : Types)
    for (TResNode& n : t.Children) {
      sortLevel(n.Children);
      dirs.push_back(&n.Children);
      for (TResNode& l : n.Children)
        leaves.push_back(&l);
    }
  std::uint32_t at = 0;
  std::vector<std::uint32_t> dirAt;
  for (auto* d : dirs) {
    dirAt.push_back(at);
    at += 16 + 8 * static_cast<std::uint32_t>(d->size());
  }
  std::vector<std::pair<const std::u16string*, std::uint32_t>> strings;
  for (auto* d : dirs)
    for (TResNode& n : *d)
      if (n.Key.IsName) {
        strings.emplace_back(&n.Key.Name, at);
        at += 2 + 2 * static_cast<std::uint32_t>(n.Key.Name.size());
      }
  at = AlignUp(at, 4);
  const std::uint32_t entriesAt = at;
  at += 16 * static_cast<std::uint32_t>(leaves.size());
  std::vector<std::uint32_t> dataAt;
  for (TResNode* l : leaves) {
    at = AlignUp(at, 8);
    dataAt.push_back(at);
    at += static_cast<std::uint32_t>(l->Data.size());
  }
  TBytes out(at, 0);

  std::size_t nextString = 0, nextDir = 1, nextLeaf = 0;
  for (std::size_t di = 0; di < dirs.size(); ++di) {
    std::uint16_t named = 0, ids = 0;
    for (const TResNode& n : *dirs[di])
      (n.Key.IsName ? named : ids)++;
    Put16(out, dirAt[di] + 12, named);
    Put16(out, dirAt[di] + 14, ids);
    // Languages are the directories after the root and the types' lists.
    const bool leafLevel = di > Types.size();
    std::size_t e = dirAt[di] + 16;
    for (TResNode& n : *dirs[di]) {
      std::uint32_t key = n.Key.Id;
      if (n.Key.IsName) key = 0x80000000u | strings[nextString++].second;
      Put32(out, e, key);
      if (leafLevel)
        Put32(out, e + 4, entriesAt + 16 * static_cast<std::uint32_t>(nextLeaf++));
      else
        Put32(out, e + 4, 0x80000000u | dirAt[nextDir++]);
      e += 8;
    }
  }
  for (auto& [s, off] : strings) {
    Put16(out, off, static_cast<std::uint16_t>(s->size()));
    for (std::size_t i = 0; i < s->size(); ++i)
      Put16(out, off + 2 + 2 * i, static_cast<std::uint16_t>((*s)[i]));
  }
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    const std::size_t e = entriesAt + 16 * i;
    Put32(out, e, SectionRva + dataAt[i]);
    Put32(out, e + 4, static_cast<std::uint32_t>(leaves[i]->Data.size()));
    Put32(out, e + 8, leaves[i]->CodePage);
    if (!leaves[i]->Data.empty())
      std::memcpy(out.data() + dataAt[i], leaves[i]->Data.data(), leaves[i]->Data.size());
  }
  return out;
}

} // namespace

std::uint32_t PeChecksum(const std::vector<std::uint8_t>& Image) {
  const TPeLayout L = ParseLayout(Image);
  const std::size_t skip = L.ChecksumOffset();
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < Image.size(); i += 2) {
    if (i == skip || i == skip + 2) continue;
    // An odd last byte counts as a word of its own.
    sum += GetLEBytes(Image, i, std::min<std::size_t>(2, Image.size() - i));
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + Image.size());
}

std::optional<std::vector<std::uint8_t>> FindPeResource(const std::vector<std::uint8_t>& Image,
                                                        std::uint16_t Type,
                                                        const std::string& Name) {
  const TPeLayout L = ParseLayout(Image);
  std::vector<TResNode> types = ReadTree(Image, L);
  TResKey typeKey;
  typeKey.Id = Type;
  TResKey nameKey;
  nameKey.IsName = true;
  nameKey.Name = UpperName(Name);
  TResNode* t = FindNode(types, typeKey);
  if (!t) return std::nullopt;
  TResNode* n = FindNode(t->Children, nameKey);
  if (!n || n->Children.empty()) return std::nullopt;
  return n->Children.front().Data;
}

std::vector<std::uint8_t> SetPeResource(const std::vector<std::uint8_t>& Image, std::uint16_t Type,
                                        const std::string& Name,
                                        const std::vector<std::uint8_t>& Data) {
  if (Name.empty()) Raise<EPeImage>("A resource name must not be empty");
  const TPeLayout L = ParseLayout(Image);
  if (L.DirectoryCount <= kResourceDirectory) Bad("no resource directory entry");
  // The format allows at most 64 KiB; a larger alignment would pad the new
  // section to a size out of all proportion to the image (gigabytes).
  if (L.FileAlignment > 0x10000) Bad("a file alignment above 64 KiB");
  std::vector<TResNode> types = ReadTree(Image, L);

  TResKey typeKey;
  typeKey.Id = Type;
  TResNode* t = FindNode(types, typeKey);
  if (!t) {
    types.push_back(TResNode{typeKey, {}, 0, {}});
    t = &types.back();
  }
  TResKey nameKey;
  nameKey.IsName = true;
  nameKey.Name = UpperName(Name);
  TResNode* n = FindNode(t->Children, nameKey);
  TResNode leaf; // language neutral unless the resource had one
  leaf.Data = Data;
  if (n) {
    if (!n->Children.empty()) {
      leaf.Key = n->Children.front().Key;
      leaf.CodePage = n->Children.front().CodePage;
    }
    n->Key = nameKey;
    n->Children.clear();
  } else {
    t->Children.push_back(TResNode{nameKey, {}, 0, {}});
    n = &t->Children.back();
  }
  n->Children.push_back(std::move(leaf));

  // Where the new section goes: in place of the old resource section when it
  // is the last one in memory and in the file, else after the last section.
  const std::uint32_t oldRva = Get32(Image, L.Directory(kResourceDirectory));
  std::uint32_t rawEnd = 0;    // end of the last section's file data
  std::uint32_t virtualEnd = 0;
  for (const TSection& s : L.Sections) {
    if (s.SizeOfRawData) rawEnd = std::max(rawEnd, s.PointerToRawData + s.SizeOfRawData);
    virtualEnd = std::max(virtualEnd, s.VirtualEnd());
  }
  const TSection* reuse = nullptr;
  for (const TSection& s : L.Sections)
    if (oldRva && oldRva == s.VirtualAddress && s.VirtualEnd() == virtualEnd &&
        (s.SizeOfRawData == 0 || s.PointerToRawData + s.SizeOfRawData == rawEnd))
      reuse = &s;

  // The bytes after the sections (a symbol table, appended data) move along;
  // a signature at the end is dropped: it signed the old bytes.
  std::uint32_t tailEnd = static_cast<std::uint32_t>(Image.size());
  std::uint32_t certOffset = 0, certSize = 0;
  if (L.DirectoryCount > kSecurityDirectory) {
    certOffset = Get32(Image, L.Directory(kSecurityDirectory));
    certSize = Get32(Image, L.Directory(kSecurityDirectory) + 4);
    if (certOffset && certOffset >= rawEnd && certOffset <= Image.size() &&
        Image.size() - certOffset >= certSize && certOffset + certSize == Image.size())
      tailEnd = certOffset;
    else if (certOffset)
      Bad("the signature is not at the end of the file");
  }
  if (rawEnd > tailEnd) Bad("sections overlap the signature");

  std::uint32_t newRva, newRaw;
  if (reuse) {
    newRva = reuse->VirtualAddress;
    newRaw = reuse->SizeOfRawData ? reuse->PointerToRawData : AlignUp(rawEnd, L.FileAlignment);
  } else {
    const std::size_t headerEnd = L.SectionTable + kSectionHeaderSize * (L.SectionCount + 1u);
    std::uint32_t firstRaw = L.SizeOfHeaders;
    for (const TSection& s : L.Sections)
      if (s.SizeOfRawData) firstRaw = std::min(firstRaw, s.PointerToRawData);
    if (headerEnd > firstRaw) Bad("no room in the headers for another section");
    newRva = AlignUp(virtualEnd, L.SectionAlignment);
    newRaw = AlignUp(rawEnd, L.FileAlignment);
  }
  const TBytes section = WriteTree(types, newRva);
  const std::uint32_t rawSize = AlignUp(static_cast<std::uint32_t>(section.size()), L.FileAlignment);
  // Everything before the new section's data stays; what followed the last
  // section's data (the tail) follows the new section's.
  const std::uint32_t headStop = reuse && reuse->SizeOfRawData ? reuse->PointerToRawData : rawEnd;
  const std::uint32_t tailStart = rawEnd;

  TBytes out(Image.begin(), Image.begin() + headStop);
  out.resize(newRaw, 0);
  out.insert(out.end(), section.begin(), section.end());
  out.resize(newRaw + rawSize, 0);
  const std::int64_t shift = static_cast<std::int64_t>(out.size()) - tailStart;
  out.insert(out.end(), Image.begin() + tailStart, Image.begin() + tailEnd);

  // Headers.
  std::size_t header;
  if (reuse) {
    header = reuse->HeaderOffset;
  } else {
    header = L.SectionTable + kSectionHeaderSize * L.SectionCount;
    // An image with no section data keeps fewer bytes than its headers claim.
    if (!Fits(out.size(), header, kSectionHeaderSize))
      Bad("no room in the headers for another section");
    std::memset(out.data() + header, 0, kSectionHeaderSize);
    std::memcpy(out.data() + header, ".rsrc", 5);
    Put16(out, L.CoffOffset + 2, static_cast<std::uint16_t>(L.SectionCount + 1));
    Put32(out, header + 36, kResourceSectionFlags);
  }
  const std::uint32_t oldRawSize = reuse ? reuse->SizeOfRawData : 0;
  Put32(out, header + 8, static_cast<std::uint32_t>(section.size()));
  Put32(out, header + 12, newRva);
  Put32(out, header + 16, rawSize);
  Put32(out, header + 20, newRaw);
  Put32(out, L.Directory(kResourceDirectory), newRva);
  Put32(out, L.Directory(kResourceDirectory) + 4, static_cast<std::uint32_t>(section.size()));
  if (L.DirectoryCount > kSecurityDirectory) {
    Put32(out, L.Directory(kSecurityDirectory), 0);
    Put32(out, L.Directory(kSecurityDirectory) + 4, 0);
  }
  // The COFF symbol table, when there is one, sits in the moved tail.
  const std::uint32_t symbols = Get32(out, L.CoffOffset + 8);
  if (symbols >= tailStart && symbols != 0)
    Put32(out, L.CoffOffset + 8, static_cast<std::uint32_t>(symbols + shift));
  const std::uint32_t initData = Get32(out, L.OptionalOffset + 8);
  Put32(out, L.OptionalOffset + 8, initData - oldRawSize + rawSize);
  std::uint32_t imageEnd = 0;
  const TPeLayout nl = ParseLayout(out);
  for (const TSection& s : nl.Sections)
    imageEnd = std::max(imageEnd, s.VirtualEnd());
  Put32(out, L.OptionalOffset + 56, AlignUp(imageEnd, L.SectionAlignment));
  Put32(out, L.ChecksumOffset(), PeChecksum(out));
  return out;
}

} // namespace quendel
