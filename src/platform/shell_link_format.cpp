#include "platform/shell_link_format.h"

#include "core/byte_order.h"

#include <array>
#include <cstring>

namespace quendel::platform {

namespace {

// {00021401-0000-0000-C000-000000000046} as stored.
constexpr std::array<std::uint8_t, 16> kLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00,
                                                     0x00, 0x00, 0xC0, 0x00, 0x00, 0x00,
                                                     0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHeaderSize = 0x4C;

// LinkFlags.
constexpr std::uint32_t lfHasTargetIdList = 0x1;
constexpr std::uint32_t lfHasLinkInfo = 0x2;
constexpr std::uint32_t lfHasName = 0x4;
constexpr std::uint32_t lfHasRelativePath = 0x8;
constexpr std::uint32_t lfHasWorkingDir = 0x10;
constexpr std::uint32_t lfHasArguments = 0x20;
constexpr std::uint32_t lfHasIconLocation = 0x40;
constexpr std::uint32_t lfIsUnicode = 0x80;
constexpr std::uint32_t lfForceNoLinkInfo = 0x100;

// LinkInfoFlags.
constexpr std::uint32_t liVolumeIdAndLocalBasePath = 0x1;
constexpr std::uint32_t liCommonNetworkRelativeLink = 0x2;

constexpr std::uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kEnvironmentBlock = 0xA0000001;

// Code page 1252's characters 0x80..0x9F; 0 marks the five it leaves undefined.
constexpr std::array<char16_t, 32> kHigh1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

class TWriter {
public:
  void U16(std::uint16_t V) { AppendLE(Bytes, V); }
  void U32(std::uint32_t V) { AppendLE(Bytes, V); }
  void U64(std::uint64_t V) { AppendLE(Bytes, V); }
  void Raw(const void* P, std::size_t N) {
    const auto* B = static_cast<const std::uint8_t*>(P);
    Bytes.insert(Bytes.end(), B, B + N);
  }
  void AnsiZ(const std::string& S) {
    Raw(S.data(), S.size());
    Bytes.push_back(0);
  }
  void PatchU32(std::size_t At, std::uint32_t V) { PutLE(std::span<std::uint8_t>(Bytes), At, V); }
  std::vector<std::uint8_t> Bytes;
};

class TReader {
public:
  TReader(const std::uint8_t* AData, std::size_t ASize) : Data(AData), Size(ASize) {}
  void Need(std::size_t N, const char* What) const {
    if (N > Size - Pos) throw EShellLinkFormat(std::string("shell link cut short in ") + What);
  }
  std::uint16_t U16(const char* What) {
    Need(2, What);
    const auto V = GetLE<std::uint16_t>(TByteSpan(Data, Size), Pos);
    Pos += 2;
    return V;
  }
  std::uint32_t U32(const char* What) {
    Need(4, What);
    const auto V = GetLE<std::uint32_t>(TByteSpan(Data, Size), Pos);
    Pos += 4;
    return V;
  }
  void Skip(std::size_t N, const char* What) {
    Need(N, What);
    Pos += N;
  }
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t Pos = 0;
};

// A NUL-terminated ANSI text at Offset inside a block of Size bytes.
std::string AnsiZAt(const std::uint8_t* Block, std::size_t Size, std::size_t Offset,
                    const char* What) {
  if (Offset >= Size) throw EShellLinkFormat(std::string("shell link ") + What + " lies outside its block");
  std::string S;
  for (std::size_t i = Offset; i < Size; ++i) {
    if (Block[i] == 0) return S;
    S.push_back(static_cast<char>(Block[i]));
  }
  throw EShellLinkFormat(std::string("shell link ") + What + " is not terminated");
}

// The same for a UTF-16 text.
std::string WideZAt(const std::uint8_t* Block, std::size_t Size, std::size_t Offset,
                    const char* What) {
  if (Offset >= Size) throw EShellLinkFormat(std::string("shell link ") + What + " lies outside its block");
  std::u16string S;
  for (std::size_t i = Offset; i + 1 < Size; i += 2) {
    const auto C = static_cast<char16_t>(GetLE<std::uint16_t>(TByteSpan(Block, Size), i));
    if (C == 0) return LinkWideToAnsi(S);
    S.push_back(C);
  }
  throw EShellLinkFormat(std::string("shell link ") + What + " is not terminated");
}

bool IsDrivePath(const std::string& P) {
  return P.size() >= 3 && ((P[0] >= 'A' && P[0] <= 'Z') || (P[0] >= 'a' && P[0] <= 'z')) &&
         P[1] == ':' && P[2] == '\\';
}

bool IsUncPath(const std::string& P) {
  if (P.size() < 5 || P[0] != '\\' || P[1] != '\\') return false;
  const std::size_t ServerEnd = P.find('\\', 2);
  return ServerEnd != std::string::npos && ServerEnd > 2 && ServerEnd + 1 < P.size();
}

void WriteLinkInfo(TWriter& W, const std::string& Path) {
  const std::size_t Start = W.Bytes.size();
  W.U32(0); // size, patched below
  W.U32(kLinkInfoHeaderSize);
  if (IsDrivePath(Path)) {
    constexpr std::uint32_t VolumeIdSize = 0x11; // the fixed part and an empty label
    W.U32(liVolumeIdAndLocalBasePath);
    W.U32(kLinkInfoHeaderSize);                           // VolumeID
    W.U32(kLinkInfoHeaderSize + VolumeIdSize);            // LocalBasePath
    W.U32(0);                                             // no network link
    W.U32(kLinkInfoHeaderSize + VolumeIdSize +
          static_cast<std::uint32_t>(Path.size()) + 1);   // CommonPathSuffix
    W.U32(VolumeIdSize);
    W.U32(kDriveFixed);
    W.U32(0);    // serial number: unknown
    W.U32(0x10); // label offset
    W.AnsiZ("");
    W.AnsiZ(Path);
    W.AnsiZ("");
  } else {
    // \\server\share and the rest as the suffix.
    const std::size_t ShareEnd = Path.find('\\', Path.find('\\', 2) + 1);
    const std::string Share = Path.substr(0, ShareEnd);
    const std::string Suffix = ShareEnd == std::string::npos ? "" : Path.substr(ShareEnd + 1);
    constexpr std::uint32_t NetHeader = 0x14;
    const std::uint32_t NetSize = NetHeader + static_cast<std::uint32_t>(Share.size()) + 1;
    W.U32(liCommonNetworkRelativeLink);
    W.U32(0);
    W.U32(0);
    W.U32(kLinkInfoHeaderSize);
    W.U32(kLinkInfoHeaderSize + NetSize);
    W.U32(NetSize);
    W.U32(0);         // flags: no device name, no provider type
    W.U32(NetHeader); // net name offset
    W.U32(0);
    W.U32(0);
    W.AnsiZ(Share);
    W.AnsiZ(Suffix);
  }
  W.PatchU32(Start, static_cast<std::uint32_t>(W.Bytes.size() - Start));
}

void WriteString(TWriter& W, const std::string& S, const char* What) {
  const std::u16string Wide = LinkAnsiToWide(S);
  if (Wide.size() > 0xFFFF) throw EShellLinkFormat(std::string("shell link ") + What + " is too long");
  W.U16(static_cast<std::uint16_t>(Wide.size()));
  for (const char16_t C : Wide) W.U16(static_cast<std::uint16_t>(C));
}

std::string ReadString(TReader& R, bool Unicode, const char* What) {
  const std::size_t Count = R.U16(What);
  R.Need(Unicode ? Count * 2 : Count, What);
  std::string S;
  if (Unicode) {
    std::u16string Wide;
    for (std::size_t i = 0; i < Count; ++i) Wide.push_back(static_cast<char16_t>(R.U16(What)));
    S = LinkWideToAnsi(Wide);
  } else {
    S.assign(reinterpret_cast<const char*>(R.Data + R.Pos), Count);
    R.Pos += Count;
  }
  // Some writers count the terminating NUL in (Wine's shell does): the text
  // ends at the first one.
  if (const std::size_t Nul = S.find('\0'); Nul != std::string::npos) S.resize(Nul);
  return S;
}

std::string ReadLinkInfo(TReader& R) {
  const std::size_t Start = R.Pos;
  const std::uint32_t Size = R.U32("LinkInfo");
  if (Size < kLinkInfoHeaderSize) throw EShellLinkFormat("shell link LinkInfo is too small");
  R.Pos = Start;
  R.Need(Size, "LinkInfo");
  const std::uint8_t* B = R.Data + Start;
  R.Pos = Start + Size;

  const TByteSpan Info(B, Size);
  const auto HeaderSize = GetLE<std::uint32_t>(Info, 4);
  const auto Flags = GetLE<std::uint32_t>(Info, 8);
  const auto LocalBaseOffset = GetLE<std::uint32_t>(Info, 16);
  const auto NetOffset = GetLE<std::uint32_t>(Info, 20);
  const auto SuffixOffset = GetLE<std::uint32_t>(Info, 24);
  const bool HasUnicode = HeaderSize >= 0x24 && Size >= 0x24;
  const std::uint32_t LocalBaseOffsetW = HasUnicode ? GetLE<std::uint32_t>(Info, 28) : 0;
  const std::uint32_t SuffixOffsetW = HasUnicode ? GetLE<std::uint32_t>(Info, 32) : 0;

  std::string Suffix;
  if (SuffixOffsetW) Suffix = WideZAt(B, Size, SuffixOffsetW, "path suffix");
  else if (SuffixOffset) Suffix = AnsiZAt(B, Size, SuffixOffset, "path suffix");

  std::string Base;
  if (Flags & liVolumeIdAndLocalBasePath) {
    if (LocalBaseOffsetW) Base = WideZAt(B, Size, LocalBaseOffsetW, "local base path");
    else Base = AnsiZAt(B, Size, LocalBaseOffset, "local base path");
  } else if (Flags & liCommonNetworkRelativeLink) {
    // Checked without adding offsets: a huge one must not wrap round.
    if (!Fits(Size, NetOffset, 0x14))
      throw EShellLinkFormat("shell link network link lies outside LinkInfo");
    const std::uint8_t* N = B + NetOffset;
    const auto NetSize = GetLE<std::uint32_t>(Info, NetOffset);
    if (NetSize < 0x14 || !Fits(Size, NetOffset, NetSize))
      throw EShellLinkFormat("shell link network link lies outside LinkInfo");
    const TByteSpan Net(N, NetSize);
    const auto NameOffset = GetLE<std::uint32_t>(Net, 8);
    const std::uint32_t NameOffsetW =
        NameOffset > 0x14 && NetSize >= 0x1C ? GetLE<std::uint32_t>(Net, 20) : 0;
    Base = NameOffsetW ? WideZAt(N, NetSize, NameOffsetW, "net name")
                       : AnsiZAt(N, NetSize, NameOffset, "net name");
    if (!Suffix.empty() && !Base.empty() && Base.back() != '\\') Base += '\\';
  } else {
    return {};
  }
  return Base + Suffix;
}

} // namespace

std::u16string LinkAnsiToWide(const std::string& Text) {
  std::u16string Out;
  Out.reserve(Text.size());
  for (const char Ch : Text) {
    const auto C = static_cast<unsigned char>(Ch);
    if (C >= 0x80 && C < 0xA0) {
      const char16_t W = kHigh1252[C - 0x80];
      Out.push_back(W ? W : u'?');
    } else {
      Out.push_back(static_cast<char16_t>(C));
    }
  }
  return Out;
}

std::string LinkWideToAnsi(const std::u16string& Text) {
  std::string Out;
  Out.reserve(Text.size());
  for (const char16_t W : Text) {
    if (W < 0x80 || (W >= 0xA0 && W <= 0xFF)) {
      Out.push_back(static_cast<char>(W));
      continue;
    }
    char C = '?';
    for (std::size_t i = 0; i < kHigh1252.size(); ++i)
      if (kHigh1252[i] == W && W != 0) C = static_cast<char>(0x80 + i);
    Out.push_back(C);
  }
  return Out;
}

std::vector<std::uint8_t> EncodeShellLink(const TShellLink& Link, const TLinkTargetInfo& Target) {
  const bool HasInfo = IsDrivePath(Link.Path) || IsUncPath(Link.Path);
  std::uint32_t Flags = lfIsUnicode;
  if (HasInfo) Flags |= lfHasLinkInfo;
  else if (!Link.Path.empty()) Flags |= lfHasRelativePath;
  if (!Link.Description.empty()) Flags |= lfHasName;
  if (!Link.WorkingDirectory.empty()) Flags |= lfHasWorkingDir;
  if (!Link.Arguments.empty()) Flags |= lfHasArguments;
  if (!Link.IconPath.empty()) Flags |= lfHasIconLocation;

  TWriter W;
  W.U32(kHeaderSize);
  W.Raw(kLinkClsid.data(), kLinkClsid.size());
  W.U32(Flags);
  W.U32(Target.Attributes);
  W.U64(Target.Stamp); // creation
  W.U64(Target.Stamp); // access
  W.U64(Target.Stamp); // write
  W.U32(static_cast<std::uint32_t>(Target.Size));
  W.U32(static_cast<std::uint32_t>(Link.IconIndex));
  W.U32(static_cast<std::uint32_t>(Link.ShowCommand));
  W.U16(Link.HotKey);
  W.U16(0);
  W.U32(0);
  W.U32(0);

  if (HasInfo) WriteLinkInfo(W, Link.Path);
  if (Flags & lfHasName) WriteString(W, Link.Description, "description");
  if (Flags & lfHasRelativePath) WriteString(W, Link.Path, "relative path");
  if (Flags & lfHasWorkingDir) WriteString(W, Link.WorkingDirectory, "working directory");
  if (Flags & lfHasArguments) WriteString(W, Link.Arguments, "arguments");
  if (Flags & lfHasIconLocation) WriteString(W, Link.IconPath, "icon location");
  W.U32(0); // no extra data blocks
  return std::move(W.Bytes);
}

TShellLink DecodeShellLink(const std::uint8_t* Data, std::size_t Size) {
  TReader R(Data, Size);
  if (R.U32("header") != kHeaderSize) throw EShellLinkFormat("not a shell link: wrong header size");
  R.Need(kLinkClsid.size(), "header");
  if (std::memcmp(Data + R.Pos, kLinkClsid.data(), kLinkClsid.size()) != 0)
    throw EShellLinkFormat("not a shell link: wrong class identifier");
  R.Pos += kLinkClsid.size();
  const std::uint32_t Flags = R.U32("header");
  R.Skip(4 + 3 * 8 + 4, "header"); // attributes, stamps, size
  TShellLink Link;
  Link.IconIndex = static_cast<std::int32_t>(R.U32("header"));
  Link.ShowCommand = static_cast<int>(R.U32("header"));
  Link.HotKey = R.U16("header");
  R.Skip(10, "header");

  if (Flags & lfHasTargetIdList) R.Skip(R.U16("item-ID list"), "item-ID list");
  std::string InfoPath;
  if (Flags & lfHasLinkInfo) {
    InfoPath = ReadLinkInfo(R);
    if (Flags & lfForceNoLinkInfo) InfoPath.clear();
  }
  const bool Unicode = (Flags & lfIsUnicode) != 0;
  std::string Relative;
  if (Flags & lfHasName) Link.Description = ReadString(R, Unicode, "description");
  if (Flags & lfHasRelativePath) Relative = ReadString(R, Unicode, "relative path");
  if (Flags & lfHasWorkingDir) Link.WorkingDirectory = ReadString(R, Unicode, "working directory");
  if (Flags & lfHasArguments) Link.Arguments = ReadString(R, Unicode, "arguments");
  if (Flags & lfHasIconLocation) Link.IconPath = ReadString(R, Unicode, "icon location");

  // Extra data: only the environment-variable target is of use here. A
  // missing terminal block is tolerated, as the shell does.
  std::string EnvTarget;
  while (R.Size - R.Pos >= 4) {
    const std::size_t Start = R.Pos;
    const std::uint32_t BlockSize = R.U32("extra data");
    if (BlockSize < 4) break;
    R.Pos = Start;
    R.Need(BlockSize, "extra data");
    if (BlockSize >= 8 && GetLE<std::uint32_t>(TByteSpan(Data, Size), Start + 4) == kEnvironmentBlock && BlockSize >= 8 + 260)
      EnvTarget = AnsiZAt(Data + Start + 8, 260, 0, "environment target");
    R.Pos = Start + BlockSize;
  }

  Link.Path = !InfoPath.empty() ? InfoPath : !Relative.empty() ? Relative : EnvTarget;
  return Link;
}

TShellLink ReadShellLinkFile(IFileSystem& Files, const std::string& Path) {
  auto File = Files.OpenRead(Path);
  const std::uint64_t Size = File->Size();
  // Real links are a few kilobytes; anything huge is not one.
  if (Size > 16 * 1024 * 1024) throw EShellLinkFormat("not a shell link: " + Path + " is too large");
  std::vector<std::uint8_t> Bytes(static_cast<std::size_t>(Size));
  if (!Bytes.empty()) File->ReadExact(Bytes.data(), Bytes.size());
  return DecodeShellLink(Bytes);
}

} // namespace quendel::platform
