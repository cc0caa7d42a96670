#include "system/version_data.h"

#include "core/byte_order.h"

#include <algorithm>
#include <array>

namespace quendel {

namespace {

// ---- Reading values with bounds from a source that may be a file --------------------------------

class TReader {
public:
  explicit TReader(const TByteSource& S) : FSource(S) {}

  bool Bytes(std::uint64_t Pos, void* Buffer, std::size_t Count) const {
    if (Pos > FSource.Size || Count > FSource.Size - Pos) return false;
    auto* p = static_cast<std::uint8_t*>(Buffer);
    std::size_t done = 0;
    while (done < Count) {
      const std::size_t n = FSource.ReadAt(Pos + done, p + done, Count - done);
      if (n == 0) return false;
      done += n;
    }
    return true;
  }
  bool U16(std::uint64_t Pos, std::uint32_t& V) const {
    std::uint8_t b[2];
    if (!Bytes(Pos, b, 2)) return false;
    V = GetLE<std::uint16_t>(b, 0);
    return true;
  }
  bool U32(std::uint64_t Pos, std::uint32_t& V) const {
    std::uint8_t b[4];
    if (!Bytes(Pos, b, 4)) return false;
    V = GetLE<std::uint32_t>(b, 0);
    return true;
  }

private:
  const TByteSource& FSource;
};

struct TSection {
  std::uint32_t VirtualAddress, VirtualSize, RawSize, RawPointer;
};

constexpr std::uint32_t ResourceTypeVersion = 16;
constexpr std::uint32_t VersionResourceName = 1;
// The largest version block the format can describe (its length is 16-bit),
// with room for a data entry that overstates it.
constexpr std::uint32_t MaxVersionBlock = 0x10000;

class TPeImage {
public:
  explicit TPeImage(const TByteSource& S) : R(S) {}

  bool Open() {
    std::uint32_t mz, lfanew, sig;
    if (!R.U16(0, mz) || mz != 0x5A4D) return false;
    if (!R.U32(0x3C, lfanew) || !R.U32(lfanew, sig) || sig != 0x00004550) return false;
    std::uint32_t sections, optSize, magic;
    if (!R.U16(lfanew + 6, sections) || !R.U16(lfanew + 20, optSize)) return false;
    const std::uint64_t opt = std::uint64_t{lfanew} + 24;
    if (!R.U16(opt, magic)) return false;
    std::uint32_t countAt, dirsAt;
    if (magic == 0x10b) {
      countAt = 92;
      dirsAt = 96;
    } else if (magic == 0x20b) {
      countAt = 108;
      dirsAt = 112;
    } else {
      return false;
    }
    std::uint32_t dirCount;
    if (!R.U32(opt + countAt, dirCount)) return false;
    // The resource table is data directory 2.
    if (dirCount < 3 || optSize < dirsAt + 3 * 8) return false;
    if (!R.U32(opt + dirsAt + 16, FResourceRva)) return false;
    if (FResourceRva == 0) return false;
    const std::uint64_t table = opt + optSize;
    for (std::uint32_t i = 0; i < sections; ++i) {
      TSection s;
      const std::uint64_t at = table + std::uint64_t{i} * 40;
      if (!R.U32(at + 8, s.VirtualSize) || !R.U32(at + 12, s.VirtualAddress) ||
          !R.U32(at + 16, s.RawSize) || !R.U32(at + 20, s.RawPointer))
        return false;
      FSections.push_back(s);
    }
    return true;
  }

  // Copies Count bytes at an address of the loaded image; bytes a section
  // holds in memory but not in the file read as zero.
  bool ReadRva(std::uint32_t Rva, void* Buffer, std::size_t Count) const {
    auto* out = static_cast<std::uint8_t*>(Buffer);
    for (const TSection& s : FSections) {
      const std::uint64_t span = std::max(s.VirtualSize, s.RawSize);
      if (Rva < s.VirtualAddress || Rva - s.VirtualAddress >= span) continue;
      const std::uint64_t rel = Rva - s.VirtualAddress;
      if (Count > span - rel) return false;
      std::fill(out, out + Count, std::uint8_t{0});
      if (rel >= s.RawSize) return true;
      const std::size_t inFile =
          static_cast<std::size_t>(std::min<std::uint64_t>(Count, s.RawSize - rel));
      return R.Bytes(std::uint64_t{s.RawPointer} + rel, out, inFile);
    }
    return false;
  }
  bool Rva32(std::uint32_t Rva, std::uint32_t& V) const {
    std::uint8_t b[4];
    if (!ReadRva(Rva, b, 4)) return false;
    V = GetLE<std::uint32_t>(b, 0);
    return true;
  }

  // The entries (id, offset) of the resource directory at Offset within the
  // resource table; named entries are skipped by callers that look for ids.
  bool Entries(std::uint32_t Offset,
               std::vector<std::pair<std::uint32_t, std::uint32_t>>& Out) const {
    std::uint8_t head[16];
    if (!ReadRva(FResourceRva + Offset, head, sizeof head)) return false;
    const std::uint32_t named = GetLE<std::uint16_t>(head, 12);
    const std::uint32_t ids = GetLE<std::uint16_t>(head, 14);
    Out.clear();
    for (std::uint32_t i = 0; i < named + ids; ++i) {
      std::uint32_t name, data;
      const std::uint32_t at = FResourceRva + Offset + 16 + i * 8;
      if (!Rva32(at, name) || !Rva32(at + 4, data)) return false;
      Out.emplace_back(name, data);
    }
    return true;
  }

  std::vector<std::uint8_t> VersionBlock() const {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> e;
    auto findId = [&](std::uint32_t Id, std::uint32_t& Sub) {
      for (auto [name, data] : e)
        if (!(name & 0x80000000u) && name == Id && (data & 0x80000000u)) {
          Sub = data & 0x7FFFFFFFu;
          return true;
        }
      return false;
    };
    std::uint32_t types, names;
    if (!Entries(0, e) || !findId(ResourceTypeVersion, types)) return {};
    if (!Entries(types, e) || !findId(VersionResourceName, names)) return {};
    if (!Entries(names, e) || e.empty()) return {};
    // US English first (what the version functions ask for), then neutral,
    // then whatever language comes first.
    std::uint32_t leaf = 0;
    bool found = false;
    for (std::uint32_t want : {0x0409u, 0x0000u, 0x0400u, 0x0800u}) {
      for (auto [name, data] : e)
        if (!(name & 0x80000000u) && name == want && !(data & 0x80000000u)) {
          leaf = data;
          found = true;
          break;
        }
      if (found) break;
    }
    if (!found) {
      for (auto [name, data] : e)
        if (!(data & 0x80000000u)) {
          leaf = data;
          found = true;
          break;
        }
    }
    if (!found) return {};
    std::uint32_t rva, size;
    if (!Rva32(FResourceRva + leaf, rva) || !Rva32(FResourceRva + leaf + 4, size)) return {};
    size = std::min(size, MaxVersionBlock);
    std::vector<std::uint8_t> block(size);
    // A data entry that overstates its size still yields what the image holds.
    while (size > 0 && !ReadRva(rva, block.data(), size))
      size /= 2;
    block.resize(size);
    return block;
  }

private:
  TReader R;
  std::uint32_t FResourceRva = 0;
  std::vector<TSection> FSections;
};

// ---- Version blocks -----------------------------------------------------------

std::size_t Align4(std::size_t V) {
  return (V + 3) & ~std::size_t{3};
}

bool SameKey(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    auto up = [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; };
    if (up(static_cast<unsigned char>(A[i])) != up(static_cast<unsigned char>(B[i]))) return false;
  }
  return true;
}

class TVersionBlock : public IVersionData {
public:
  explicit TVersionBlock(std::vector<std::uint8_t> B) : FBytes(std::move(B)) {
    F16 = FBytes.size() > 4 && FBytes[4] >= ' ';
  }

  std::optional<std::string> Query(std::string_view SubBlock) const override {
    TNode node;
    if (!Node(0, FBytes.size(), node)) return std::nullopt;
    std::size_t i = 0;
    while (i < SubBlock.size()) {
      if (SubBlock[i] == '\\') {
        ++i;
        continue;
      }
      std::size_t j = SubBlock.find('\\', i);
      if (j == std::string_view::npos) j = SubBlock.size();
      if (!Child(node, SubBlock.substr(i, j - i), node)) return std::nullopt;
      i = j;
    }
    return Value(node);
  }

  bool Valid() const {
    TNode n;
    return Node(0, FBytes.size(), n);
  }

private:
  struct TNode {
    std::size_t Start = 0, End = 0; // the block's bytes
    std::size_t ValueAt = 0, Children = 0;
    std::uint32_t ValueLength = 0, Type = 0;
    std::string Key;
  };

  std::uint32_t U16(std::size_t At) const {
    return GetLE<std::uint16_t>(FBytes, At);
  }

  // The block at Start, inside a parent that ends at Limit.
  bool Node(std::size_t Start, std::size_t Limit, TNode& N) const {
    const std::size_t head = F16 ? 4 : 6;
    if (Start + head > Limit) return false;
    N.Start = Start;
    const std::uint32_t length = U16(Start);
    if (length == 0) return false;
    N.End = std::min(Limit, Start + length);
    N.ValueLength = U16(Start + 2);
    N.Key.clear();
    std::size_t p = Start + head;
    if (F16) {
      N.Type = 0;
      while (p < N.End && FBytes[p] != 0)
        N.Key.push_back(static_cast<char>(FBytes[p++]));
      p += 1;
    } else {
      N.Type = U16(Start + 4);
      std::vector<std::uint16_t> key;
      while (p + 1 < N.End && U16(p) != 0) {
        key.push_back(static_cast<std::uint16_t>(U16(p)));
        p += 2;
      }
      p += 2;
      N.Key = Utf16ToAnsi(key.data(), key.size());
    }
    N.ValueAt = Start + Align4(p - Start);
    const std::size_t valueBytes = N.ValueLength * (N.Type ? 2u : 1u);
    N.Children = N.ValueAt + Align4(valueBytes);
    return true;
  }

  bool Child(const TNode& Parent, std::string_view Key, TNode& Out) const {
    std::size_t at = Parent.Children;
    while (at < Parent.End) {
      TNode c;
      if (!Node(at, Parent.End, c)) return false;
      if (SameKey(c.Key, Key)) {
        Out = c;
        return true;
      }
      at = Start(c) + Align4(U16(c.Start));
    }
    return false;
  }
  static std::size_t Start(const TNode& N) { return N.Start; }

  std::string Value(const TNode& N) const {
    const std::size_t end = FBytes.size();
    const std::size_t at = std::min(N.ValueAt, end);
    if (!F16 && N.Type != 0) {
      const std::size_t units = std::min<std::size_t>(N.ValueLength, (end - at) / 2);
      std::vector<std::uint16_t> text(units);
      for (std::size_t k = 0; k < units; ++k)
        text[k] = static_cast<std::uint16_t>(U16(at + 2 * k));
      return Utf16ToAnsi(text.data(), text.size());
    }
    const std::size_t bytes = std::min<std::size_t>(N.ValueLength, end - at);
    return std::string(reinterpret_cast<const char*>(FBytes.data() + at), bytes);
  }

  std::vector<std::uint8_t> FBytes;
  bool F16 = false;
};

// Code page 1252's characters 0x80..0x9F; 0 where it has none.
constexpr std::array<std::uint16_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

std::string Utf16ToAnsi(const std::uint16_t* Text, std::size_t Count) {
  std::string out;
  out.reserve(Count);
  for (std::size_t i = 0; i < Count; ++i) {
    const std::uint16_t c = Text[i];
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    char mapped = '?';
    for (std::size_t k = 0; k < Cp1252High.size(); ++k)
      if (Cp1252High[k] == c) mapped = static_cast<char>(0x80 + k);
    // A surrogate pair is one character.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < Count && Text[i + 1] >= 0xDC00 &&
        Text[i + 1] <= 0xDFFF)
      ++i;
    out.push_back(mapped);
  }
  return out;
}

namespace {

// A 16-bit (NE) image: the version resource is type 0x8010, name 0x8001 in
// the resource table, in units of its alignment shift.
std::vector<std::uint8_t> ReadNeVersionResource(const TByteSource& Source) {
  TReader r(Source);
  std::uint32_t lfanew, sig, table;
  if (!r.U32(0x3C, lfanew) || !r.U16(lfanew, sig) || sig != 0x454E) return {};
  if (!r.U16(lfanew + 0x24, table)) return {};
  std::uint64_t at = std::uint64_t{lfanew} + table;
  std::uint32_t shift;
  if (!r.U16(at, shift) || shift > 16) return {};
  at += 2;
  // Each type entry is followed by its names; a type of 0 ends the table.
  for (int types = 0; types < 0x10000; ++types) {
    std::uint32_t type, count;
    if (!r.U16(at, type) || type == 0 || !r.U16(at + 2, count)) return {};
    at += 8;
    if (type == 0x8010) {
      for (std::uint32_t i = 0; i < count; ++i, at += 12) {
        std::uint32_t offset, length, id;
        if (!r.U16(at, offset) || !r.U16(at + 2, length) || !r.U16(at + 6, id)) return {};
        if (id != 0x8001) continue;
        const std::uint64_t pos = std::uint64_t{offset} << shift;
        std::uint64_t size =
            std::min<std::uint64_t>(std::uint64_t{length} << shift, MaxVersionBlock);
        if (pos > Source.Size) return {};
        size = std::min<std::uint64_t>(size, Source.Size - pos);
        std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
        if (!r.Bytes(pos, block.data(), block.size())) return {};
        return block;
      }
      return {};
    }
    at += std::uint64_t{count} * 12;
  }
  return {};
}

} // namespace

std::vector<std::uint8_t> ReadPeVersionResource(const TByteSource& Source) {
  if (!Source.ReadAt) return {};
  TPeImage image(Source);
  if (image.Open()) return image.VersionBlock();
  return ReadNeVersionResource(Source);
}

std::unique_ptr<IVersionData> ParseVersionBlock(std::vector<std::uint8_t> Block) {
  auto b = std::make_unique<TVersionBlock>(std::move(Block));
  if (!b->Valid()) return nullptr;
  return b;
}

} // namespace quendel
