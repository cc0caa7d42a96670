#include "archive/compress.h"

#include "archive/archive_context.h"

#include "archive/sandbox.h"
#include "core/dates.h"
#include "core/exceptions.h"
#include "platform/error.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace quendel {
namespace {

using ::testing::HasSubstr;
using testing::TSandbox;

const char* const MsgHeaders =
    "Could not read the file headers for the compressed file. The Archive file could possible be "
    "corrupt";

// A fixed local date, as a file stamp: the same date in every time zone.
const TDateTime FixedDate = EncodeDateTime(2001, 2, 3, 4, 5, 6, 0);

class Compress : public ::testing::Test {
protected:
  void SetUp() override {
    C = std::make_unique<TQndlCompress>(nullptr, S.Files.get());
    C->SetCompressedFile(S.Path("out\\test.qar"));
  }

  void Put(const std::string& Name, const std::vector<std::uint8_t>& Bytes,
           TDateTime Date = FixedDate) {
    S.Write(Name, Bytes);
    S.Files->SetStamp(S.Path(Name), DateTimeToFileTime(Date));
  }

  void AddFiles(std::vector<std::string> Names, TlzhCommand Cmd = lzcOverwrite, int Id = 0) {
    TStrings l;
    for (auto& n : Names)
      l.Add(S.Path(n));
    C->SetFilesToProcess(l);
    C->Add(Cmd, Id);
  }

  // Members "t", "r1" and "r2" in an archive to be split into 20000-byte volumes.
  void AddThreeForVolumes(const std::vector<std::uint8_t>& T, const std::vector<std::uint8_t>& R1,
                          const std::vector<std::uint8_t>& R2) {
    Put("t", T);
    Put("r1", R1);
    Put("r2", R2);
    AddFiles({"t", "r1", "r2"});
    C->VolumeCapacity = 20000;
  }

  void ExtractAll(const std::string& Dir) {
    C->SetExtractDirectory(S.Path(Dir));
    TStrings l;
    for (int i = 0; i < C->Count(); ++i)
      l.Add(C->Directory().Item(i).Record.FileName());
    C->SetFilesToProcess(l);
    C->Extract();
  }

  std::string Message(const std::function<void()>& F) {
    try {
      F();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "<no error>";
  }

  TSandbox S;
  std::unique_ptr<TQndlCompress> C;
};

// ---- The format's worked example -----------------------------------------------------

void PutInt(std::vector<std::uint8_t>& B, std::size_t At, std::int32_t V) {
  for (int i = 0; i < 4; ++i)
    B[At + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(V) >> (8 * i));
}

// A level-0 zlib stream, spelled out: header, one final stored block, Adler-32.
std::vector<std::uint8_t> StoredZlib(const std::vector<std::uint8_t>& Data) {
  const auto n = static_cast<std::uint16_t>(Data.size());
  std::vector<std::uint8_t> z = {0x78,
                                 0x01,
                                 0x01,
                                 static_cast<std::uint8_t>(n & 0xFF),
                                 static_cast<std::uint8_t>(n >> 8),
                                 static_cast<std::uint8_t>(~n & 0xFF),
                                 static_cast<std::uint8_t>((~n >> 8) & 0xFF)};
  z.insert(z.end(), Data.begin(), Data.end());
  const uLong a = adler32(adler32(0, nullptr, 0), Data.data(), static_cast<uInt>(Data.size()));
  for (int s = 24; s >= 0; s -= 8)
    z.push_back(static_cast<std::uint8_t>(a >> s));
  return z;
}

std::vector<std::uint8_t> Header(const std::string& Name, int Seq, TDateTime Date, int Start,
                                 int End, int Next, int Size, int Packed, int StartVol, int EndVol,
                                 int Id) {
  std::vector<std::uint8_t> h(176, 0);
  PutInt(h, 0, Seq);
  std::memcpy(h.data() + 8, &Date, 8);
  h[16] = static_cast<std::uint8_t>(EndVol);
  PutInt(h, 20, End);
  h[24] = static_cast<std::uint8_t>(Name.size());
  std::memcpy(h.data() + 25, Name.data(), Name.size());
  PutInt(h, 128, Next);
  PutInt(h, 132, Size);
  PutInt(h, 136, Start);
  PutInt(h, 140, Packed);
  h[144] = static_cast<std::uint8_t>(StartVol);
  PutInt(h, 148, Id);
  return h;
}

TEST_F(Compress, WorkedExample_BothLayoutsByteForByte) {
  // Stored streams of 89 and 39 bytes are 100 and 50 bytes long.
  const auto one = testing::TextBytes(89), two = testing::RandomBytes(39);
  Put("one.txt", one);
  Put("two.bin", two);
  C->SetCompressionLevel(colNone);
  AddFiles({"one.txt", "two.bin"}, lzcOverwrite, 42);

  const std::string n1 = S.Path("one.txt"), n2 = S.Path("two.bin");
  std::vector<std::uint8_t> chained = {2, 0, 0, 0, 0};
  auto add = [](std::vector<std::uint8_t>& A, const std::vector<std::uint8_t>& B) {
    A.insert(A.end(), B.begin(), B.end());
  };
  add(chained, Header(n1, 1, FixedDate, 181, 280, 281, 89, 100, 0, 0, 42));
  add(chained, StoredZlib(one));
  add(chained, Header(n2, 2, FixedDate, 457, 506, 507, 39, 50, 0, 0, 42));
  add(chained, StoredZlib(two));
  ASSERT_EQ(chained.size(), 507u);
  EXPECT_EQ(S.Read("out\\test.qar"), chained);

  C->SplitToVolumes(S.Path("set"), "files.1");
  std::vector<std::uint8_t> table = {2, 0, 0, 0, 1};
  add(table, Header(n1, 1, FixedDate, 357, 456, 181, 89, 100, 1, 1, 42));
  add(table, Header(n2, 2, FixedDate, 457, 506, 357, 39, 50, 1, 1, 42));
  add(table, StoredZlib(one));
  add(table, StoredZlib(two));
  ASSERT_EQ(table.size(), 507u);
  EXPECT_EQ(S.Read("set\\files.1"), table);
  EXPECT_FALSE(S.Exists("set\\files.2"));

  // Both read back to the same files.
  C->SetCompressedFile(S.Path("set\\files.1"));
  ExtractAll("x");
  EXPECT_EQ(S.Read("x\\one.txt"), one);
  EXPECT_EQ(S.Read("x\\two.bin"), two);
}

TEST_F(Compress, Offset_ArchiveInsideALargerFileReadsTheSame) {
  const auto text = testing::TextBytes(300000), rnd = testing::RandomBytes(70000);
  Put("a.txt", text);
  Put("b.bin", rnd);
  AddFiles({"a.txt", "b.bin"}, lzcOverwrite, 7);
  const auto archive = S.Read("out\\test.qar");
  std::vector<std::uint8_t> big(123456, 0xCC);
  big.insert(big.end(), archive.begin(), archive.end());
  big.resize(big.size() + 5000, 0xDD); // a trailer after it, as in the setup program
  S.Write("setup.exe", big);

  TQndlCompress r(nullptr, S.Files.get());
  r.SetCompressedFile(S.Path("setup.exe"));
  r.SetOffset(123456);
  ASSERT_EQ(r.Count(), 2);
  // Stored positions stay relative to the archive's start.
  EXPECT_EQ(r.Directory().Item(0).Record.DataStart(), 181);
  EXPECT_EQ(r.IndexOfUniqueID(7), 1);
  r.SetExtractDirectory(S.Path("y"));
  r.FilesToProcess().Add(S.Path("A.TXT"));
  r.FilesToProcess().Add(S.Path("b.bin"));
  r.Extract();
  EXPECT_EQ(S.Read("y\\a.txt"), text);
  EXPECT_EQ(S.Read("y\\b.bin"), rnd);
  EXPECT_EQ(S.Files->GetStamp(S.Path("y\\a.txt")), DateTimeToFileTime(FixedDate));
}

// ---- Adding -----------------------------------------------------------------------------

TEST_F(Compress, Add_OverwriteReplacesAppendKeepsOldMembers) {
  Put("a", testing::TextBytes(1000));
  Put("b", testing::TextBytes(2000, 5));
  Put("c", testing::RandomBytes(3000));
  AddFiles({"a", "b"}, lzcOverwrite, 1);
  const auto before = S.Read("out\\test.qar");

  AddFiles({"c"}, lzcOnlyAdd, 2);
  const auto after = S.Read("out\\test.qar");
  ASSERT_EQ(C->Count(), 3);
  // The old members are untouched bytes; only the count changed.
  EXPECT_TRUE(std::equal(before.begin() + 4, before.end(), after.begin() + 4));
  EXPECT_EQ(after[0], 3);
  EXPECT_EQ(C->Directory().Item(2).Record.Sequence(), 1);
  EXPECT_EQ(C->IndexOfUniqueID(1), 1);
  EXPECT_EQ(C->IndexOfUniqueID(2), 2);

  AddFiles({"c"}, lzcOverwrite, 3);
  EXPECT_EQ(C->Count(), 1);
  EXPECT_EQ(C->IndexOfUniqueID(1), -1);
}

// One compressor adding file after file keeps the directory in memory
// between its Adds; the archive must be the one a fresh compressor per Add
// writes, and a change made to the archive by anyone else in between
// (another member appended, or the archive rebuilt to the same length and
// count with other members) must be seen, not written over.
TEST_F(Compress, Add_AppendsSeeWhatOthersWroteBetween) {
  Put("a", testing::TextBytes(1000));
  Put("b", testing::TextBytes(2000, 5));
  Put("c", testing::RandomBytes(3000));
  TQndlCompress other(nullptr, S.Files.get());
  auto add = [&](TQndlCompress& Q, const std::string& Archive, const std::string& Name,
                 TlzhCommand Cmd, int Id) {
    Q.SetCompressedFile(S.Path(Archive));
    TStrings l;
    l.Add(S.Path(Name));
    Q.SetFilesToProcess(l);
    Q.Add(Cmd, Id);
  };
  int id = 0;
  for (const char* n : {"a", "b", "c"}) {
    add(*C, "out\\kept.qar", n, id == 0 ? lzcOverwrite : lzcOnlyAdd, id);
    TQndlCompress fresh(nullptr, S.Files.get());
    add(fresh, "out\\fresh.qar", n, id == 0 ? lzcOverwrite : lzcOnlyAdd, id);
    ++id;
  }
  EXPECT_EQ(S.Read("out\\kept.qar"), S.Read("out\\fresh.qar"));

  auto names = [&](const std::string& Archive) {
    TQndlCompress Q(nullptr, S.Files.get());
    Q.SetCompressedFile(S.Path(Archive));
    std::string all;
    for (int i = 0; i < Q.Count(); ++i) all += Q.Directory().Item(i).Record.FileName().back();
    return all;
  };
  add(*C, "out\\x.qar", "a", lzcOverwrite, 1);
  add(other, "out\\x.qar", "b", lzcOnlyAdd, 2);
  add(*C, "out\\x.qar", "c", lzcOnlyAdd, 3);
  EXPECT_EQ(names("out\\x.qar"), "abc");
  EXPECT_EQ(C->IndexOfUniqueID(2), 1);

  // Rebuilt meanwhile as "b" then "a": the same length and member count.
  add(*C, "out\\y.qar", "a", lzcOverwrite, 1);
  add(*C, "out\\y.qar", "b", lzcOnlyAdd, 2);
  const auto length = S.Read("out\\y.qar").size();
  add(other, "out\\y.qar", "b", lzcOverwrite, 2);
  add(other, "out\\y.qar", "a", lzcOnlyAdd, 1);
  ASSERT_EQ(S.Read("out\\y.qar").size(), length);
  add(*C, "out\\y.qar", "c", lzcOnlyAdd, 3);
  EXPECT_EQ(names("out\\y.qar"), "bac");
  C->SetExtractDirectory(S.Path("back"));
  TStrings l;
  for (int i = 0; i < C->Count(); ++i) l.Add(C->Directory().Item(i).Record.FileName());
  C->SetFilesToProcess(l);
  C->Extract();
  for (const char* n : {"a", "b", "c"}) EXPECT_EQ(S.Read(std::string("back\\") + n), S.Read(n)) << n;
}

TEST_F(Compress, Add_UnreadableSourceWritesNothing) {
  Put("a", testing::TextBytes(1000));
  AddFiles({"a"});
  const auto before = S.Read("out\\test.qar");
  const std::string msg = Message([&] { AddFiles({"a", "missing"}, lzcOnlyAdd); });
  EXPECT_EQ(msg, "Cannot open the file " + S.Path("missing"));
  EXPECT_EQ(S.Read("out\\test.qar"), before);
  EXPECT_TRUE(C->Abort());
  EXPECT_EQ(C->FilesToProcess().Count(), 0);

  EXPECT_THROW(AddFiles({"missing", "a"}, lzcOverwrite), EQndlCompress);
  EXPECT_TRUE(S.Read("out\\test.qar").empty());
}

TEST_F(Compress, Add_EmptyFileAndStatusPercentages) {
  Put("empty", {});
  Put("big", testing::RandomBytes(300000));
  std::vector<TlzhFileStats> seen;
  C->OnStatus = [&](TQndlCompress&, const TlzhFileStats& St) { seen.push_back(St); };
  int before = 0, after = 0;
  C->OnBeforeAdding = [&](TQndlCompress&, const TlzhFileStats&) { ++before; };
  C->OnAfterAdding = [&](TQndlCompress&, const TlzhFileStats&) { ++after; };
  AddFiles({"empty", "big"});
  EXPECT_EQ(before, 2);
  EXPECT_EQ(after, 2);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(seen.front().Finished);
  EXPECT_EQ(seen.front().FilePercent, 0);
  EXPECT_EQ(seen.front().UncompressedSize, 0);
  EXPECT_EQ(seen.back().FilePercent, 100);
  EXPECT_EQ(seen.back().TotalPercent, 100);
  EXPECT_TRUE(seen.back().Finished);
  // Progress within the big file: one event per 64 KiB of output.
  EXPECT_GE(seen.size(), 5u);
  const auto& rec = C->Directory().Item(0).Record;
  EXPECT_EQ(rec.UncompressedSize(), 0);
  EXPECT_GT(rec.CompressedSize(), 0);

  ExtractAll("x");
  EXPECT_TRUE(S.Exists("x\\empty"));
  EXPECT_TRUE(S.Read("x\\empty").empty());
  EXPECT_EQ(S.Files->GetStamp(S.Path("x\\empty")), DateTimeToFileTime(FixedDate));
}

TEST_F(Compress, Add_LongPathStoredCutTo100) {
  const std::string dir(110, 'd');
  Put(dir + "\\f.txt", testing::TextBytes(100));
  AddFiles({dir + "\\f.txt"});
  const std::string full = S.Path(dir + "\\f.txt");
  ASSERT_EQ(C->Directory().Item(0).Record.FileName(), full.substr(0, 100));
  C->SetExtractDirectory(S.Path("x"));
  C->FilesToProcess().Add(full);
  EXPECT_THAT(Message([&] { C->Extract(); }), HasSubstr("was not found in the archive"));
  C->FilesToProcess().Add(full.substr(0, 100));
  C->DestFileName = "f.txt";
  C->Extract();
  EXPECT_EQ(S.Read("x\\f.txt"), testing::TextBytes(100));
}

TEST_F(Compress, Add_RefusesFilesOf2GiB) {
  {
    std::ofstream f(S.HostPath("huge"), std::ios::binary);
    f.seekp(std::streamoff{0x80000000LL} - 1);
    f.put('x');
  }
  EXPECT_THAT(Message([&] { AddFiles({"huge"}); }), HasSubstr("2 GiB"));
  EXPECT_TRUE(S.Read("out\\test.qar").empty());
}

TEST_F(Compress, Add_EveryLevelRoundTrips) {
  const auto text = testing::TextBytes(200000), rnd = testing::RandomBytes(100000);
  Put("t", text);
  Put("r", rnd);
  std::int64_t lastSize = 0;
  for (TCompressionLevel level : {colNone, colFastest, colDefault, colMax}) {
    C->SetCompressionLevel(level);
    AddFiles({"t", "r"});
    const auto size = static_cast<std::int64_t>(S.Read("out\\test.qar").size());
    if (lastSize) {
      EXPECT_LT(size, lastSize + 64) << level;
    }
    lastSize = size;
    C->SetOverwrite(owAlways);
    ExtractAll("x");
    EXPECT_EQ(S.Read("x\\t"), text);
    EXPECT_EQ(S.Read("x\\r"), rnd);
  }
}

TEST_F(Compress, Abort_FromStatusStopsQuietlyAndRollsBack) {
  Put("a", testing::RandomBytes(100000));
  AddFiles({"a"}, lzcOverwrite, 1);
  const auto before = S.Read("out\\test.qar");
  Put("b", testing::RandomBytes(400000, 9));
  int aborted = 0, status = 0;
  C->OnAborted = [&](TComponent*) { ++aborted; };
  C->OnStatus = [&](TQndlCompress& Q, const TlzhFileStats&) {
    if (++status == 2) Q.SetAbort(true);
  };
  AddFiles({"b"}, lzcOnlyAdd, 2);
  EXPECT_EQ(aborted, 1);
  EXPECT_EQ(status, 2);
  // The archive is as it was: a cancelled Add leaves no half member.
  EXPECT_EQ(S.Read("out\\test.qar"), before);

  status = 0;
  C->SetExtractDirectory(S.Path("x"));
  C->FilesToProcess().Add(S.Path("a"));
  C->Extract();
  EXPECT_EQ(aborted, 2);
  EXPECT_FALSE(S.Exists("x\\a")); // the unfinished target is gone
  EXPECT_EQ(C->FilesToProcess().Count(), 0);
}

// ---- Extracting ------------------------------------------------------------------------------

TEST_F(Compress, Extract_OverwriteNeverAndDestFileName) {
  Put("a.txt", testing::TextBytes(5000));
  Put("b.txt", testing::TextBytes(6000, 3));
  AddFiles({"a.txt", "b.txt"});
  S.Write("x\\a.txt", "keep me");
  C->SetOverwrite(owNever);
  std::vector<TlzhFileStats> seen;
  C->OnStatus = [&](TQndlCompress&, const TlzhFileStats& St) { seen.push_back(St); };
  C->SetExtractDirectory(S.Path("x"));
  C->FilesToProcess().Add(S.Path("a.txt"));
  C->Extract();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].Finished);
  EXPECT_EQ(S.Read("x\\a.txt"), std::vector<std::uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));

  // A name with a directory is reduced to its file name, and only the first
  // member is renamed.
  C->SetOverwrite(owAlways);
  C->DestFileName = "..\\..\\elsewhere\\renamed.txt";
  C->FilesToProcess().Add(S.Path("a.txt"));
  C->FilesToProcess().Add(S.Path("b.txt"));
  C->Extract();
  EXPECT_EQ(S.Read("x\\renamed.txt"), testing::TextBytes(5000));
  EXPECT_EQ(S.Read("x\\b.txt"), testing::TextBytes(6000, 3));
  EXPECT_FALSE(S.Exists("elsewhere"));
  EXPECT_TRUE(C->DestFileName.empty());

  // A handler may rename too; a name that would leave the directory is refused.
  int replaced = 0;
  C->OnReplace = [&](TQndlCompress&, const TlzhFileStats&) { ++replaced; };
  for (const char* bad : {"..", ".", " . ", "NUL", "con.txt", "LPT1"}) {
    C->OnBeforeExtracting = [&](TQndlCompress& Q, const TlzhFileStats&) { Q.DestFileName = bad; };
    C->FilesToProcess().Add(S.Path("b.txt"));
    EXPECT_THAT(Message([&] { C->Extract(); }), HasSubstr("Cannot create the file")) << bad;
  }
  C->OnBeforeExtracting = nullptr;
  C->FilesToProcess().Add(S.Path("b.txt"));
  C->Extract();
  EXPECT_EQ(replaced, 1);
}

// A target another program holds open: the compressor's own message, with
// the operating system's error kept behind it, so that the caller can decide
// on replacing the file at the next start by its code alone.
TEST_F(Compress, Extract_TargetInUseKeepsTheSharingViolation) {
  Put("a.txt", testing::TextBytes(3000));
  AddFiles({"a.txt"});
  S.Write("x\\a.txt", "in use");
  auto Held = S.Files->Open(S.Path("x\\a.txt"), platform::TFileAccess::Read, platform::shareNone,
                            platform::TCreation::OpenExisting);
  C->SetExtractDirectory(S.Path("x"));
  C->FilesToProcess().Add(S.Path("a.txt"));
  try {
    C->Extract();
    FAIL() << "extracting onto a file in use succeeded";
  } catch (const EQndlCompress& e) {
    EXPECT_THAT(e.what(), HasSubstr("Cannot create the file"));
    EXPECT_EQ(platform::PlatformErrorCode(e), platform::errSharingViolation);
    const platform::EPlatformError* Os = platform::FindPlatformError(e);
    ASSERT_NE(Os, nullptr);
    EXPECT_EQ(Os->Call(), "CreateFileA");
    EXPECT_THAT(DescribeWithCauses(e), HasSubstr("ERROR_SHARING_VIOLATION"));
  }
  Held.reset();
  EXPECT_EQ(S.Read("x\\a.txt"), std::vector<std::uint8_t>({'i', 'n', ' ', 'u', 's', 'e'}));

  // A missing source keeps its cause too, and a message of the system with no
  // operating-system call behind it has none.
  S.Files->RemoveFile(S.Path("a.txt"));
  C->SetCompressedFile(S.Path("out\\missing.qar"));
  try {
    C->Extract();
    FAIL() << "extracting from a missing archive succeeded";
  } catch (const EQndlCompress& e) {
    EXPECT_EQ(platform::PlatformErrorCode(e), platform::errSuccess) << DescribeWithCauses(e);
  }
}

TEST_F(Compress, Extract_MissingMemberAndArchive) {
  Put("a", testing::TextBytes(10));
  AddFiles({"a"});
  C->SetExtractDirectory(S.Path("x"));
  C->FilesToProcess().Add("nope");
  EXPECT_EQ(Message([&] { C->Extract(); }),
            "The file <nope> was not found in the archive <" + S.Path("out\\test.qar") + ">");
  C->SetCompressedFile(S.Path("nothing.qar"));
  EXPECT_EQ(Message([&] { C->Count(); }),
            "Cannot open the compressed file " + S.Path("nothing.qar"));
  S.Write("short.qar", "\x01\x00\x00\x00\x00");
  C->SetCompressedFile(S.Path("short.qar"));
  EXPECT_EQ(Message([&] { C->Count(); }), MsgHeaders);
}

// Damaged archives: a clear error, nothing left that looks complete.
TEST_F(Compress, Extract_HostileMembers) {
  Put("a", testing::TextBytes(100000));
  AddFiles({"a"});
  const auto good = S.Read("out\\test.qar");
  auto tryExtract = [&](std::vector<std::uint8_t> Bytes) {
    S.Write("bad.qar", Bytes);
    TQndlCompress r(nullptr, S.Files.get());
    r.SetCompressedFile(S.Path("bad.qar"));
    r.SetExtractDirectory(S.Path("x"));
    r.FilesToProcess().Add(S.Path("a"));
    std::string m = Message([&] { r.Extract(); });
    EXPECT_FALSE(S.Exists("x\\a")) << m;
    EXPECT_TRUE(r.Abort());
    return m;
  };
  const std::string mismatch = "The decompressed file's size does not match with the actual size "
                               "of the file.  The file is " +
                               S.Path("a");
  // The header promises less than the stream holds.
  auto small = good;
  PutInt(small, 5 + 132, 1000);
  EXPECT_EQ(tryExtract(small), mismatch);
  // ... or more.
  auto large = good;
  PutInt(large, 5 + 132, 100001);
  EXPECT_EQ(tryExtract(large), mismatch);
  // Cut short.
  auto cut = good;
  cut.resize(cut.size() - 100);
  EXPECT_NE(tryExtract(cut), "<no error>");
  // Bytes of the stream damaged.
  auto flipped = good;
  for (std::size_t i = 400; i < 420; ++i)
    flipped[i] ^= 0x5A;
  EXPECT_NE(tryExtract(flipped), "<no error>");
  // Data positions outside the file.
  auto outside = good;
  PutInt(outside, 5 + 136, 0x7FFFFF00);
  EXPECT_NE(tryExtract(outside), "<no error>");
  // Volume numbers in an archive that is no set name the archive itself: the
  // stream still ends where it should, and the file comes out whole.
  auto volumes = good;
  volumes[5 + 16] = 200;
  S.Write("bad.qar", volumes);
  TQndlCompress r(nullptr, S.Files.get());
  r.SetCompressedFile(S.Path("bad.qar"));
  r.SetExtractDirectory(S.Path("x"));
  r.FilesToProcess().Add(S.Path("a"));
  r.Extract();
  EXPECT_EQ(S.Read("x\\a"), testing::TextBytes(100000));
}

TEST_F(Compress, Extract_FullDiskWithAndWithoutHandler) {
  // A file system whose disk holds 10000 bytes per file.
  class TSmallDisk : public platform::IFileSystem {
  public:
    explicit TSmallDisk(platform::IFileSystem& B) : Base(B) {}
    bool FileExists(const std::string& P) override { return Base.FileExists(P); }
    bool DirectoryExists(const std::string& P) override { return Base.DirectoryExists(P); }
    std::unique_ptr<platform::IFile> Open(const std::string& P, platform::TFileAccess A,
                                          platform::TShareMode Sh,
                                          platform::TCreation Cr) override {
      class TFile : public platform::IFile {
      public:
        explicit TFile(std::unique_ptr<platform::IFile> F) : B(std::move(F)) {}
        const std::string& Path() const override { return B->Path(); }
        std::size_t Read(void* Buf, std::size_t N) override { return B->Read(Buf, N); }
        void Write(const void* Buf, std::size_t N) override {
          const auto pos = B->Position();
          if (pos + N > 10000) {
            if (pos < 10000) B->Write(Buf, static_cast<std::size_t>(10000 - pos));
            throw platform::EPlatformError("WriteFile", "", platform::errDiskFull);
          }
          B->Write(Buf, N);
        }
        std::uint64_t Seek(std::int64_t O, platform::TSeekOrigin Or) override {
          return B->Seek(O, Or);
        }
        std::uint64_t Size() override { return B->Size(); }
        void Truncate() override { B->Truncate(); }
        platform::TFileStamp GetStamp() override { return B->GetStamp(); }
        void SetStamp(platform::TFileStamp S) override { B->SetStamp(S); }
        void Flush() override { B->Flush(); }
        std::unique_ptr<platform::IFile> B;
      };
      return std::make_unique<TFile>(Base.Open(P, A, Sh, Cr));
    }
    platform::TFileAttributes GetAttributes(const std::string& P) override {
      return Base.GetAttributes(P);
    }
    void SetAttributes(const std::string& P, platform::TFileAttributes A) override {
      Base.SetAttributes(P, A);
    }
    platform::TFileStamp GetStamp(const std::string& P) override { return Base.GetStamp(P); }
    void SetStamp(const std::string& P, platform::TFileStamp S) override { Base.SetStamp(P, S); }
    std::vector<platform::TFindData> FindFiles(const std::string& P) override {
      return Base.FindFiles(P);
    }
    void MakeDirectory(const std::string& P) override { Base.MakeDirectory(P); }
    void RemoveDir(const std::string& P) override { Base.RemoveDir(P); }
    void RemoveFile(const std::string& P) override { Base.RemoveFile(P); }
    void Copy(const std::string& A, const std::string& B, bool F) override { Base.Copy(A, B, F); }
    void Move(const std::string& A, const std::string& B, platform::TMoveFlags F) override {
      Base.Move(A, B, F);
    }
    std::string ShortPath(const std::string& P) override { return Base.ShortPath(P); }
    std::string TempDirectory() override { return Base.TempDirectory(); }
    std::string TempFileName(const std::string& D, const std::string& P) override {
      return Base.TempFileName(D, P);
    }
    std::string GetCurrentDir() override { return Base.GetCurrentDir(); }
    void SetCurrentDir(const std::string& P) override { Base.SetCurrentDir(P); }
    platform::IFileSystem& Base;
  };

  Put("a", testing::TextBytes(30000));
  AddFiles({"a"});
  TSmallDisk disk(*S.Files);
  TQndlCompress r(nullptr, &disk);
  r.SetCompressedFile(C->CompressedFile());
  r.SetExtractDirectory(S.Path("x"));
  r.FilesToProcess().Add(S.Path("a"));
  EXPECT_EQ(Message([&] { r.Extract(); }), "The disk is full");
  EXPECT_FALSE(S.Exists("x\\a"));

  int full = 0;
  r.OnFullDisk = [&](TComponent*) { ++full; };
  r.FilesToProcess().Add(S.Path("a"));
  EXPECT_THAT(Message([&] { r.Extract(); }), HasSubstr("size does not match"));
  EXPECT_GT(full, 0);
  EXPECT_FALSE(S.Exists("x\\a"));

  // A copy that lost bytes to a full disk is not reported as done.
  full = 0;
  EXPECT_EQ(Message([&] { r.CopyPlainFile(S.Path("a"), S.Path("y\\a")); }), "The disk is full");
  EXPECT_GT(full, 0);
  EXPECT_FALSE(S.Exists("y\\a"));
}

// ---- Identifiers and the directory -------------------------------------------------------------

TEST_F(Compress, IndexOfUniqueID_MissingIdentifierIsMinusOne) {
  Put("a", testing::TextBytes(10));
  Put("b", testing::TextBytes(20));
  AddFiles({"a"}, lzcOverwrite, 5);
  AddFiles({"b"}, lzcOnlyAdd, 0);
  TQndlCompress r(nullptr, S.Files.get());
  r.SetCompressedFile(C->CompressedFile());
  EXPECT_EQ(r.IndexOfUniqueID(5), 0);
  EXPECT_EQ(r.IndexOfUniqueID(0), 1);
  EXPECT_EQ(r.IndexOfUniqueID(6), -1);
  EXPECT_EQ(r.IndexOfUniqueID(1999), -1);
  EXPECT_EQ(r.IndexOfUniqueID(2000), -1);
  EXPECT_EQ(r.IndexOfUniqueID(-1), -1);
  // A later member with the same identifier wins.
  AddFiles({"a"}, lzcOnlyAdd, 5);
  r.SetCompressedFile(S.Path("other"));
  r.SetCompressedFile(C->CompressedFile());
  EXPECT_EQ(r.IndexOfUniqueID(5), 2);

  TlzhFileStats st;
  r.GetFileStats(1, st);
  EXPECT_EQ(st.UncompressedSize, 20);
  EXPECT_EQ(st.TotalUncompressed, 40);
  EXPECT_EQ(st.Header.UniqueID(), 0);
  EXPECT_EQ(Message([&] { r.GetFileStats(3, st); }),
            "Tried to access the 3th file. This file is not defined");
  std::vector<std::string> listed;
  r.OnListing = [&](TQndlCompress&, const TlzhFileStats& St) { listed.push_back(St.FileName); };
  r.List();
  EXPECT_EQ(listed, (std::vector<std::string>{S.Path("a"), S.Path("b"), S.Path("a")}));
}

TEST_F(Compress, CompressedFile_VolumesOfOneSetKeepTheDirectory) {
  Put("a", testing::TextBytes(10));
  C->SetCompressedFile(S.Path("set\\files.1"));
  AddFiles({"a"});
  EXPECT_EQ(C->Count(), 1); // counted from memory after adding
  TQndlCompress r(nullptr, S.Files.get());
  r.SetCompressedFile(S.Path("set\\files.1"));
  ASSERT_EQ(r.Count(), 1);
  r.SetCompressedFile(S.Path("SET\\files.2"));
  EXPECT_TRUE(r.DirectoryLoaded());
  r.SetCompressedFile(S.Path("other\\files.1"));
  EXPECT_FALSE(r.DirectoryLoaded());
}

// ---- Volume sets
// -----------------------------------------------------------------------------------

TEST_F(Compress, Split_SmallVolumesExtractIdentically) {
  const auto t = testing::TextBytes(60000), r1 = testing::RandomBytes(50000),
             r2 = testing::RandomBytes(7000, 4);
  AddThreeForVolumes(t, r1, r2);
  std::vector<int> disks;
  C->OnNewDisk = [&](TQndlCompress&, int Disk, std::string& Path) {
    disks.push_back(Disk);
    EXPECT_EQ(Path, S.Path("set"));
  };
  C->SplitToVolumes(S.Path("set"), "files.1");
  ASSERT_GE(disks.size(), 3u);
  for (std::size_t i = 0; i < disks.size(); ++i)
    EXPECT_EQ(disks[i], static_cast<int>(i) + 2);
  for (std::size_t k = 1; k <= disks.size(); ++k)
    EXPECT_LE(S.Read("set\\files." + std::to_string(k)).size(), 20000u);

  TQndlCompress x(nullptr, S.Files.get());
  x.SetCompressedFile(S.Path("set\\files.1"));
  x.SetExtractDirectory(S.Path("x"));
  for (const char* n : {"t", "r1", "r2"})
    x.FilesToProcess().Add(S.Path(n));
  x.Extract();
  EXPECT_EQ(S.Read("x\\t"), t);
  EXPECT_EQ(S.Read("x\\r1"), r1);
  EXPECT_EQ(S.Read("x\\r2"), r2);
  EXPECT_THAT(x.CompressedFile(), HasSubstr("files."));

  // A volume cut short: a clear error, and no file that looks complete.
  const std::string last = "set\\files." + std::to_string(disks.size() + 1);
  auto bytes = S.Read(last);
  bytes.resize(bytes.size() / 2);
  S.Write(last, bytes);
  TQndlCompress y(nullptr, S.Files.get());
  y.SetCompressedFile(S.Path("set\\files.1"));
  y.SetExtractDirectory(S.Path("y"));
  for (const char* n : {"t", "r1", "r2"})
    y.FilesToProcess().Add(S.Path(n));
  EXPECT_THAT(Message([&] { y.Extract(); }), HasSubstr("size does not match"));
  EXPECT_FALSE(S.Exists("y\\r2"));
}

// One member per extraction, as an installation reads them, from a set whose
// disks take turns in one drive: the archive held between members must not
// keep a disk from being taken out at the prompt, nor serve a member from
// the wrong volume.
TEST_F(Compress, Split_OneDriveDisksTakeTurnsBetweenMembers) {
  const auto t = testing::TextBytes(20000), r1 = testing::RandomBytes(15000),
             r2 = testing::RandomBytes(7000, 4);
  AddThreeForVolumes(t, r1, r2);
  C->OnNewDisk = [](TQndlCompress&, int, std::string&) {};
  C->SplitToVolumes(S.Path("disks"), "files.1");
  S.Write("drive\\files.1", S.Read("disks\\files.1"));

  TQndlCompress x(nullptr, S.Files.get());
  x.SetCompressedFile(S.Path("drive\\files.1"));
  x.SetExtractDirectory(S.Path("x"));
  std::vector<int> asked;
  x.OnNewDisk = [&](TQndlCompress&, int Disk, std::string& Path) {
    asked.push_back(Disk);
    for (const auto& f : S.Files->FindFiles(S.Path("drive\\files.*"))) {
      // Nothing of the set may be open while the disk comes out.
      EXPECT_NO_THROW(S.Files->Open(S.Path("drive\\" + f.Name), platform::TFileAccess::Read, 0,
                                    platform::TCreation::OpenExisting))
          << "disk " << Disk << ": " << f.Name << " is still open";
      S.Files->RemoveFile(S.Path("drive\\" + f.Name));
    }
    const std::string name = "files." + std::to_string(Disk);
    S.Write("drive\\" + name, S.Read("disks\\" + name));
    Path = S.Path("drive");
  };
  const std::pair<const char*, const std::vector<std::uint8_t>*> members[] = {
      {"t", &t}, {"r1", &r1}, {"r2", &r2}, {"t", &t}};
  for (const auto& [name, bytes] : members) {
    x.FilesToProcess().Add(S.Path(name));
    x.Extract();
    EXPECT_EQ(S.Read(std::string("x\\") + name), *bytes) << name;
  }
  ASSERT_GE(asked.size(), 2u);
  EXPECT_EQ(asked.back(), 1); // back to the first disk for t, with the last one in the drive
  // The second t came from the disk already in the drive, without a prompt.
  const std::size_t prompts = asked.size();
  x.FilesToProcess().Add(S.Path("t"));
  x.Extract();
  EXPECT_EQ(asked.size(), prompts);
  // Let go, nothing of the set is open any more.
  x.CloseArchive();
  EXPECT_NO_THROW(S.Files->Open(S.Path("drive\\files.1"), platform::TFileAccess::Read, 0,
                                platform::TCreation::OpenExisting));
}

TEST_F(Compress, Split_VolumeFilledExactlyAtAMemberEnd) {
  const auto a = testing::RandomBytes(3000), b = testing::RandomBytes(2000, 8);
  Put("a", a);
  Put("b", b);
  C->SetCompressionLevel(colNone);
  AddFiles({"a", "b"});
  // Volume 1 ends exactly after member a's data.
  const int aEnd = 5 + 2 * 176 + C->Directory().Item(0).Record.CompressedSize();
  C->VolumeCapacity = aEnd;
  C->OnNewDisk = [](TQndlCompress&, int, std::string&) {};
  C->SplitToVolumes(S.Path("set"), "files.1");
  ASSERT_EQ(S.Read("set\\files.1").size(), static_cast<std::size_t>(aEnd));

  TQndlCompress x(nullptr, S.Files.get());
  x.SetCompressedFile(S.Path("set\\files.1"));
  ASSERT_EQ(x.Count(), 2);
  const auto& ra = x.Directory().Item(0).Record;
  const auto& rb = x.Directory().Item(1).Record;
  EXPECT_EQ(ra.EndVolume(), 1);
  EXPECT_EQ(ra.EndPosition(), aEnd - 1);
  EXPECT_EQ(rb.StartVolume(), 1);
  EXPECT_EQ(rb.DataStart(), aEnd);
  EXPECT_EQ(rb.EndVolume(), 2);
  x.SetExtractDirectory(S.Path("x"));
  x.FilesToProcess().Add(S.Path("a"));
  x.FilesToProcess().Add(S.Path("b"));
  x.Extract();
  EXPECT_EQ(S.Read("x\\a"), a);
  EXPECT_EQ(S.Read("x\\b"), b);
}

TEST_F(Compress, Split_MissingVolumeAndMissingHandler) {
  Put("a", testing::RandomBytes(30000));
  AddFiles({"a"});
  C->VolumeCapacity = 10000;
  EXPECT_EQ(Message([&] { C->SplitToVolumes(S.Path("set"), "files.1"); }),
            "There was no event handler for the OnNewDisk event, therefore no new disk could be "
            "inserted");
  C->OnNewDisk = [](TQndlCompress&, int, std::string&) {};
  C->SplitToVolumes(S.Path("set"), "files.1");
  std::filesystem::remove(S.HostPath("set\\files.3"));

  TQndlCompress x(nullptr, S.Files.get());
  x.SetCompressedFile(S.Path("set\\files.1"));
  x.SetExtractDirectory(S.Path("x"));
  x.FilesToProcess().Add(S.Path("a"));
  EXPECT_EQ(Message([&] { x.Extract(); }), "Could not open the correct disk file 3");
  int asked = 0;
  x.OnNewDisk = [&](TQndlCompress&, int Disk, std::string& Path) {
    ++asked;
    EXPECT_EQ(Disk, 3);
    EXPECT_EQ(Path, S.Path("set"));
  };
  x.SetCompressedFile(S.Path("set\\files.1"));
  x.FilesToProcess().Add(S.Path("a"));
  EXPECT_EQ(Message([&] { x.Extract(); }),
            "Cannot open the compressed file " + S.Path("set\\files.3"));
  EXPECT_EQ(asked, 4);
  EXPECT_FALSE(S.Exists("x\\a"));

  // A volume set cannot take more members, nor be split again.
  TQndlCompress y(nullptr, S.Files.get());
  y.SetCompressedFile(S.Path("set\\files.1"));
  EXPECT_THAT(Message([&] { y.SplitToVolumes(S.Path("set2"), "files.1"); }),
              HasSubstr("volume set already"));
  y.FilesToProcess().Add(S.Path("a"));
  EXPECT_THAT(Message([&] { y.Add(lzcOnlyAdd, 0); }), HasSubstr("first volume of a volume set"));
}

// ---- Plain copies
// --------------------------------------------------------------------------------

TEST_F(Compress, CopyPlainFile_KeepsDateHonoursPolicy) {
  const auto bytes = testing::RandomBytes(20000);
  Put("src", bytes, FixedDate);
  C->CopyPlainFile(S.Path("src"), S.Path("d\\dst"));
  EXPECT_EQ(S.Read("d\\dst"), bytes);
  EXPECT_EQ(S.Files->GetStamp(S.Path("d\\dst")), DateTimeToFileTime(FixedDate));
  EXPECT_EQ(C->ExtractDirectory(), S.Path("d"));
  EXPECT_TRUE(C->DestFileName.empty());

  Put("d\\dst", {1, 2, 3}, FixedDate + 1);
  C->SetOverwrite(owDate);
  C->CopyPlainFile(S.Path("src"), S.Path("d\\dst"));
  EXPECT_EQ(S.Read("d\\dst").size(), 3u); // the existing file is newer
  C->SetOverwrite(owNever);
  C->CopyPlainFile(S.Path("src"), S.Path("d\\dst"));
  EXPECT_EQ(S.Read("d\\dst").size(), 3u);
  C->SetOverwrite(owAlways);
  int replaced = 0;
  C->OnReplace = [&](TQndlCompress&, const TlzhFileStats&) { ++replaced; };
  C->CopyPlainFile(S.Path("src"), S.Path("d\\dst"));
  EXPECT_EQ(S.Read("d\\dst"), bytes);
  EXPECT_EQ(replaced, 1);

  // Abort stops quietly, without a partial copy; the build's flag ends it loudly.
  C->OnStatus = [](TQndlCompress& Q, const TlzhFileStats&) { Q.SetAbort(true); };
  C->CopyPlainFile(S.Path("src"), S.Path("d\\new"));
  EXPECT_FALSE(S.Exists("d\\new"));
  C->OnStatus = nullptr;
  C->BuildAborted = [] { return true; };
  EXPECT_EQ(Message([&] { C->CopyPlainFile(S.Path("src"), S.Path("d\\new")); }),
            "Creating Install Aborted!");
  C->BuildAborted = nullptr;
  EXPECT_EQ(Message([&] { C->CopyPlainFile(S.Path("nothing"), S.Path("d\\new")); }),
            "Cannot open the file " + S.Path("nothing"));
}

TEST(ArchiveContext, SharedCompressorPumpsMessagesAndScopesNest) {
  TSandbox s;
  EXPECT_FALSE(HasArchiveContext());
  EXPECT_THROW(CurrentArchiveContext(), EQndlCompress);
  TArchiveContext outer(*s.Files), inner(*s.Files);
  TArchiveContextScope a(outer);
  int pumped = 0;
  outer.ProcessMessages = [&] { ++pumped; };
  {
    TArchiveContextScope b(inner);
    EXPECT_EQ(&CurrentArchiveContext(), &inner);
  }
  ASSERT_EQ(&CurrentArchiveContext(), &outer);
  TQndlCompress& c = CurrentArchiveContext().Compressor();
  EXPECT_EQ(&c, &outer.Compressor());
  EXPECT_EQ(c.Owner(), nullptr);
  s.Write("a", testing::RandomBytes(200000));
  c.SetCompressedFile(s.Path("a.qar"));
  c.FilesToProcess().Add(s.Path("a"));
  c.Add(lzcOverwrite, 1);
  EXPECT_GE(pumped, 3); // after every block
}

// ---- The same bytes from both builds ------------------------------------------------------------

// The archive made here from fixed inputs and dates must match the one the
// other build made (tests/data/archive/make_golden.sh).
TEST_F(Compress, Golden_SameBytesInBothBuilds) {
  const auto golden = std::filesystem::path(QUENDEL_TEST_DATA) / "archive" / "golden.qar";
  Put("golden\\text.txt", testing::TextBytes(30000));
  Put("golden\\random.bin", testing::RandomBytes(3000));
  Put("golden\\empty", {});
  S.Files->SetCurrentDir(S.Path(""));
  TStrings l;
  for (const char* n : {"golden\\text.txt", "golden\\random.bin", "golden\\empty"})
    l.Add(n);
  C->SetFilesToProcess(l);
  C->SetCompressionLevel(colDefault);
  C->Add(lzcOverwrite, 12);
  const auto made = S.Read("out\\test.qar");
  if (std::getenv("QUENDEL_WRITE_GOLDEN")) {
    std::ofstream(golden, std::ios::binary)
        .write(reinterpret_cast<const char*>(made.data()),
               static_cast<std::streamsize>(made.size()));
  }
  std::ifstream f(golden, std::ios::binary);
  ASSERT_TRUE(f) << golden;
  const std::vector<std::uint8_t> expected(std::istreambuf_iterator<char>(f), {});
  EXPECT_EQ(made, expected);
}

} // namespace
} // namespace quendel
