// The file-system contract: the same cases natively and under Windows.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/test_platform.h"

namespace quendel::platform::testing {
namespace {

using FileSystem = PlatformTest;

// Names found by a search, without "." and "..".
std::set<std::string> Names(const std::vector<TFindData>& found) {
  std::set<std::string> names;
  for (const auto& entry : found)
    if (entry.Name != "." && entry.Name != "..") names.insert(entry.Name);
  return names;
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](char a, char b) { return std::toupper(a) == std::toupper(b); });
}

TEST_F(FileSystem, Open_WriteSeekReadRoundTrip) {
  // Larger than any block an adapter might use, with a pattern that shows misplaced bytes.
  std::string data(200'000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>(i * 7 + i / 251);
  const auto file = Files().Create(PathOf("data.bin"));
  file->Write(data.data(), data.size());
  EXPECT_EQ(file->Size(), data.size());
  EXPECT_EQ(file->Position(), data.size());

  EXPECT_EQ(file->Seek(0, TSeekOrigin::soBeginning), 0u);
  std::string back(data.size(), '\0');
  file->ReadExact(back.data(), back.size());
  EXPECT_EQ(back, data);
  char extra;
  EXPECT_EQ(file->Read(&extra, 1), 0u) << "reading at the end gives nothing";

  EXPECT_EQ(file->Seek(-10, TSeekOrigin::soEnd), data.size() - 10);
  EXPECT_EQ(file->Seek(4, TSeekOrigin::soCurrent), data.size() - 6);
  char six[6];
  file->ReadExact(six, sizeof six);
  EXPECT_EQ(std::string(six, 6), data.substr(data.size() - 6));
}

TEST_F(FileSystem, Open_TruncateAndWriteBeyondTheEnd) {
  const auto file = Files().Create(PathOf("t.txt"));
  file->Write("0123456789", 10);
  file->Seek(4, TSeekOrigin::soBeginning);
  file->Truncate();
  EXPECT_EQ(file->Size(), 4u);

  file->Seek(8, TSeekOrigin::soBeginning);
  file->Write("X", 1);
  EXPECT_EQ(file->Size(), 9u);
  file->Seek(0, TSeekOrigin::soBeginning);
  char all[9];
  file->ReadExact(all, sizeof all);
  EXPECT_EQ(std::string(all, 9), std::string("0123\0\0\0\0X", 9)) << "the gap reads as zeros";

  EXPECT_EQ(ErrorOf([&] { file->Seek(-1, TSeekOrigin::soBeginning); }), errNegativeSeek);
  EXPECT_EQ(file->Position(), 9u) << "a failed seek leaves the position";
  char past[4];
  EXPECT_EQ(ErrorOf([&] { file->ReadExact(past, sizeof past); }), errHandleEof);
}

TEST_F(FileSystem, Open_FailuresGiveWindowsCodes) {
  WriteFile(PathOf("there.txt"), "x");
  Files().MakeDirectory(PathOf("dir"));
  auto open = [&](const std::string& path, TFileAccess access, TCreation creation) {
    return ErrorOf([&] { Files().Open(path, access, shareRead, creation); });
  };
  EXPECT_EQ(open(PathOf("missing.txt"), TFileAccess::Read, TCreation::OpenExisting),
            errFileNotFound);
  EXPECT_EQ(open(PathOf("nodir\\x.txt"), TFileAccess::Read, TCreation::OpenExisting),
            errPathNotFound);
  EXPECT_EQ(open(PathOf("nodir\\x.txt"), TFileAccess::Write, TCreation::CreateAlways),
            errPathNotFound);
  EXPECT_EQ(open(PathOf("there.txt"), TFileAccess::Write, TCreation::CreateNew), errFileExists);
  EXPECT_EQ(open(PathOf("dir"), TFileAccess::Read, TCreation::OpenExisting), errAccessDenied);
  EXPECT_EQ(open(PathOf("bad?name"), TFileAccess::Write, TCreation::CreateAlways), errInvalidName);

  try {
    Files().OpenRead(PathOf("missing.txt"));
    FAIL() << "opened a missing file";
  } catch (const EPlatformError& e) {
    EXPECT_EQ(e.Call(), "CreateFileA");
    EXPECT_NE(e.Arguments().find("missing.txt"), std::string::npos) << e.what();
  }
}

TEST_F(FileSystem, Open_DispositionsKeepOrReplaceContents) {
  WriteFile(PathOf("f.txt"), "old contents");
  Files().Open(PathOf("f.txt"), TFileAccess::ReadWrite, shareNone, TCreation::OpenAlways);
  EXPECT_EQ(ReadFile(PathOf("f.txt")), "old contents");
  Files().Open(PathOf("f.txt"), TFileAccess::Write, shareNone, TCreation::TruncateExisting);
  EXPECT_EQ(ReadFile(PathOf("f.txt")), "");
  Files().Open(PathOf("new.txt"), TFileAccess::Write, shareNone, TCreation::OpenAlways);
  EXPECT_TRUE(Files().FileExists(PathOf("new.txt")));
  EXPECT_EQ(ErrorOf([&] {
              Files().Open(PathOf("none.txt"), TFileAccess::Write, shareNone,
                           TCreation::TruncateExisting);
            }),
            errFileNotFound);
}

TEST_F(FileSystem, Open_HandleRefusesWhatItWasNotOpenedFor) {
  WriteFile(PathOf("f.txt"), "abc");
  const auto reader =
      Files().Open(PathOf("f.txt"), TFileAccess::Read, shareAll, TCreation::OpenExisting);
  EXPECT_EQ(ErrorOf([&] { reader->Write("x", 1); }), errAccessDenied);
  const auto writer =
      Files().Open(PathOf("f.txt"), TFileAccess::Write, shareAll, TCreation::OpenExisting);
  char c;
  EXPECT_EQ(ErrorOf([&] { writer->Read(&c, 1); }), errAccessDenied);
}

TEST_F(FileSystem, Sharing_FileInUseRefusesConflictingAccess) {
  const std::string path = PathOf("inuse.txt");
  WriteFile(path, "data");
  {
    // Held for writing, sharing only reading: the state of an installed file in use.
    const auto holder = Files().Open(path, TFileAccess::Write, shareRead, TCreation::OpenExisting);
    TErrorCode error = errSuccess;
    EXPECT_EQ(Files().TryOpen(path, TFileAccess::Write, shareAll, TCreation::OpenExisting, error),
              nullptr);
    EXPECT_EQ(error, errSharingViolation);
    EXPECT_EQ(ErrorOf([&] { Files().OpenRead(path); }), errSharingViolation)
        << "a reader must share writing with the writer";
    EXPECT_NE(
        Files().Open(path, TFileAccess::Read, shareRead | shareWrite, TCreation::OpenExisting),
        nullptr);
    EXPECT_EQ(Files().TryRemoveFile(path), errSharingViolation);
    EXPECT_EQ(Files().TryMove(path, PathOf("moved.txt"), 0), errSharingViolation);
    EXPECT_EQ(Files().TryOpen(path, TFileAccess::Write, shareAll, TCreation::CreateAlways, error),
              nullptr);
    EXPECT_EQ(error, errSharingViolation);
  }
  EXPECT_EQ(ReadFile(path), "data") << "a refused opening must not truncate";
  EXPECT_EQ(Files().TryRemoveFile(path), errSuccess) << "closing the handle frees the file";
}

TEST_F(FileSystem, Sharing_DeleteSharingAllowsRemoval) {
  const std::string path = PathOf("shared.txt");
  WriteFile(path, "data");
  {
    const auto holder =
        Files().Open(path, TFileAccess::Read, shareRead | shareDelete, TCreation::OpenExisting);
    EXPECT_EQ(Files().TryRemoveFile(path), errSuccess);
  }
  EXPECT_FALSE(Files().FileExists(path));
}

TEST_F(FileSystem, Names_LookupIgnoresCaseAndKeepsStoredCase) {
  Files().MakeDirectory(PathOf("SubDir"));
  WriteFile(PathOf("SubDir\\MixedCase.Txt"), "content");
  EXPECT_TRUE(Files().FileExists(PathOf("subdir\\mixedcase.txt")));
  EXPECT_TRUE(Files().DirectoryExists(PathOf("SUBDIR")));
  EXPECT_EQ(ReadFile(PathOf("SUBDIR\\MIXEDCASE.TXT")), "content");
  EXPECT_EQ(Names(Files().FindFiles(PathOf("subdir\\*"))), std::set<std::string>{"MixedCase.Txt"});

  // Writing through another spelling changes the file, not its name.
  WriteFile(PathOf("subdir\\mixedCASE.txt"), "new");
  EXPECT_EQ(Names(Files().FindFiles(PathOf("SubDir\\*"))), std::set<std::string>{"MixedCase.Txt"});
  EXPECT_EQ(ReadFile(PathOf("SubDir\\MixedCase.Txt")), "new");

  // A new file in a directory named in another case takes the case it is given.
  WriteFile(PathOf("SUBDIR\\NewOne.TXT"), "");
  EXPECT_EQ(Names(Files().FindFiles(PathOf("SubDir\\*"))),
            (std::set<std::string>{"MixedCase.Txt", "NewOne.TXT"}));
}

TEST_F(FileSystem, Names_WindowsPathForms) {
  WriteFile(PathOf("a.txt"), "a");
  Files().MakeDirectory(PathOf("sub"));
  EXPECT_TRUE(Files().FileExists(PathOf("sub\\..\\a.txt")));
  EXPECT_TRUE(Files().FileExists(PathOf(".\\sub\\.\\..\\a.txt")));
  EXPECT_TRUE(Files().FileExists(Dir() + "/a.txt")) << "forward slashes separate too";
  EXPECT_TRUE(Files().FileExists(PathOf("sub\\\\..\\a.txt"))) << "doubled separators";
  // Windows drops trailing dots and spaces from names.
  WriteFile(PathOf("trail. "), "t");
  EXPECT_TRUE(Files().FileExists(PathOf("trail")));
}

TEST_F(FileSystem, Exists_TellsFilesFromDirectories) {
  WriteFile(PathOf("f.txt"), "");
  Files().MakeDirectory(PathOf("d"));
  EXPECT_TRUE(Files().FileExists(PathOf("f.txt")));
  EXPECT_FALSE(Files().DirectoryExists(PathOf("f.txt")));
  EXPECT_TRUE(Files().DirectoryExists(PathOf("d")));
  EXPECT_FALSE(Files().FileExists(PathOf("d")));
  EXPECT_FALSE(Files().FileExists(PathOf("none")));
  EXPECT_FALSE(Files().DirectoryExists(PathOf("none\\deeper")));
  EXPECT_FALSE(Files().FileExists(PathOf("f.txt\\below")));
  EXPECT_FALSE(Files().FileExists(""));
}

TEST_F(FileSystem, FindFiles_MatchesWildcards) {
  for (const char* name : {"a.txt", "B.TXT", "ab.txt", "abc.txt", "c.dat", "noext"})
    WriteFile(PathOf(name), name);
  Files().MakeDirectory(PathOf("sub"));
  auto find = [&](const char* pattern) { return Names(Files().FindFiles(PathOf(pattern))); };
  using S = std::set<std::string>;
  EXPECT_EQ(find("*"), (S{"a.txt", "B.TXT", "ab.txt", "abc.txt", "c.dat", "noext", "sub"}));
  EXPECT_EQ(find("*.*"), find("*")) << "*.* matches names without a dot too";
  EXPECT_EQ(find("*.txt"), (S{"a.txt", "B.TXT", "ab.txt", "abc.txt"}));
  EXPECT_EQ(find("?.txt"), (S{"a.txt", "B.TXT"}));
  EXPECT_EQ(find("a??.txt"), (S{"abc.txt"}));
  EXPECT_EQ(find("A*"), (S{"a.txt", "ab.txt", "abc.txt"}));
  EXPECT_EQ(find("a*c.txt"), (S{"abc.txt"}));
  EXPECT_EQ(find("noext.*"), (S{"noext"}));
  EXPECT_EQ(find("ABC.TXT"), (S{"abc.txt"})) << "a plain name finds the file, in its stored case";
  EXPECT_EQ(find("*.zip"), S{}) << "no match is an empty list, not an error";
}

TEST_F(FileSystem, FindFiles_ReportsAttributesSizeAndStamp) {
  WriteFile(PathOf("five.txt"), "12345");
  Files().MakeDirectory(PathOf("sub"));
  const TFileStamp stamp = 130'000'000'001'234'567;
  Files().SetStamp(PathOf("five.txt"), stamp);

  const auto found = Files().FindFiles(PathOf("*"));
  const auto entry = [&](const std::string& name) {
    const auto it = std::find_if(found.begin(), found.end(),
                                 [&](const TFindData& data) { return data.Name == name; });
    EXPECT_NE(it, found.end()) << name;
    return it == found.end() ? TFindData{} : *it;
  };
  const TFindData five = entry("five.txt");
  EXPECT_EQ(five.Size, 5u);
  EXPECT_EQ(five.Stamp, stamp);
  EXPECT_FALSE(five.IsDirectory());
  EXPECT_TRUE(entry("sub").IsDirectory());
  EXPECT_TRUE(entry(".").IsDirectory()) << "a subdirectory search lists . and .. as Windows does";
  EXPECT_TRUE(entry("..").IsDirectory());
}

TEST_F(FileSystem, FindFiles_MissingDirectoryFails) {
  EXPECT_EQ(ErrorOf([&] { Files().FindFiles(PathOf("nodir\\*")); }), errPathNotFound);
}

TEST_F(FileSystem, Directories_MakeForceAndRemove) {
  EXPECT_EQ(Files().TryMakeDirectory(PathOf("a\\b")), errPathNotFound);
  Files().ForceDirectories(PathOf("a\\b\\c\\"));
  EXPECT_TRUE(Files().DirectoryExists(PathOf("a\\b\\c")));
  Files().ForceDirectories(PathOf("A\\B")); // existing, in another case: nothing to do
  EXPECT_EQ(Files().TryMakeDirectory(PathOf("a\\b")), errAlreadyExists);

  WriteFile(PathOf("a\\file"), "");
  EXPECT_EQ(Files().TryMakeDirectory(PathOf("a\\file")), errAlreadyExists);
  EXPECT_EQ(ErrorOf([&] { Files().ForceDirectories(PathOf("a\\file\\sub")); }), errAlreadyExists)
      << "a file in the way";

  EXPECT_EQ(Files().TryRemoveDir(PathOf("a\\b")), errDirNotEmpty);
  EXPECT_EQ(Files().TryRemoveDir(PathOf("a\\file")), errDirectory);
  EXPECT_EQ(Files().TryRemoveDir(PathOf("a\\none")), errFileNotFound);
  EXPECT_EQ(Files().TryRemoveDir(PathOf("a\\b\\c")), errSuccess);
  EXPECT_FALSE(Files().DirectoryExists(PathOf("a\\b\\c")));
}

TEST_F(FileSystem, RemoveFile_Semantics) {
  WriteFile(PathOf("f.txt"), "");
  Files().MakeDirectory(PathOf("d"));
  EXPECT_EQ(Files().TryRemoveFile(PathOf("missing.txt")), errFileNotFound);
  EXPECT_EQ(Files().TryRemoveFile(PathOf("nodir\\missing.txt")), errPathNotFound);
  EXPECT_EQ(Files().TryRemoveFile(PathOf("d")), errAccessDenied);
  EXPECT_EQ(Files().TryRemoveFile(PathOf("f.txt")), errSuccess);
  EXPECT_FALSE(Files().FileExists(PathOf("f.txt")));

  WriteFile(PathOf("ro.txt"), "");
  Files().SetAttributes(PathOf("ro.txt"), faReadOnly);
  EXPECT_EQ(Files().TryRemoveFile(PathOf("ro.txt")), errAccessDenied);
  Files().SetAttributes(PathOf("ro.txt"), faNormal);
  EXPECT_EQ(Files().TryRemoveFile(PathOf("ro.txt")), errSuccess);
}

TEST_F(FileSystem, Copy_CopiesContentsStampAndAttributes) {
  WriteFile(PathOf("src.txt"), "source");
  const TFileStamp stamp = 125'000'000'000'000'000;
  Files().SetStamp(PathOf("src.txt"), stamp);
  Files().SetAttributes(PathOf("src.txt"), faHidden);

  Files().Copy(PathOf("src.txt"), PathOf("dst.txt"), true);
  EXPECT_EQ(ReadFile(PathOf("dst.txt")), "source");
  EXPECT_EQ(Files().GetStamp(PathOf("dst.txt")), stamp);
  EXPECT_NE(Files().GetAttributes(PathOf("dst.txt")) & faHidden, 0u);
  EXPECT_EQ(ReadFile(PathOf("src.txt")), "source");

  WriteFile(PathOf("src.txt"), "newer");
  EXPECT_EQ(Files().TryCopy(PathOf("src.txt"), PathOf("dst.txt"), true), errFileExists);
  EXPECT_EQ(ReadFile(PathOf("dst.txt")), "source");
  EXPECT_EQ(Files().TryCopy(PathOf("src.txt"), PathOf("dst.txt"), false), errSuccess);
  EXPECT_EQ(ReadFile(PathOf("dst.txt")), "newer");
}

TEST_F(FileSystem, Copy_Misuse) {
  WriteFile(PathOf("src.txt"), "source");
  Files().MakeDirectory(PathOf("d"));
  EXPECT_EQ(Files().TryCopy(PathOf("missing.txt"), PathOf("x.txt"), false), errFileNotFound);
  EXPECT_EQ(Files().TryCopy(PathOf("d"), PathOf("x.txt"), false), errAccessDenied);
  EXPECT_EQ(Files().TryCopy(PathOf("src.txt"), PathOf("d"), false), errAccessDenied);
  EXPECT_EQ(Files().TryCopy(PathOf("src.txt"), PathOf("nodir\\x.txt"), false), errPathNotFound);
  {
    const auto holder =
        Files().Open(PathOf("src.txt"), TFileAccess::Write, shareNone, TCreation::OpenExisting);
    EXPECT_EQ(Files().TryCopy(PathOf("src.txt"), PathOf("x.txt"), false), errSharingViolation);
  }
  EXPECT_FALSE(Files().FileExists(PathOf("x.txt")));
}

TEST_F(FileSystem, Move_RenamesAndReplacesOnlyWhenAsked) {
  WriteFile(PathOf("a.txt"), "a");
  WriteFile(PathOf("b.txt"), "b");
  EXPECT_EQ(Files().TryMove(PathOf("a.txt"), PathOf("b.txt"), 0), errAlreadyExists);
  EXPECT_EQ(ReadFile(PathOf("b.txt")), "b");
  Files().Move(PathOf("a.txt"), PathOf("b.txt"), moveReplaceExisting);
  EXPECT_FALSE(Files().FileExists(PathOf("a.txt")));
  EXPECT_EQ(ReadFile(PathOf("b.txt")), "a");

  Files().Move(PathOf("b.txt"), PathOf("c.txt"), 0);
  EXPECT_EQ(ReadFile(PathOf("c.txt")), "a");
  // A change of case only: Windows renames, Wine keeps the old case; either
  // way it is the same single file.
  Files().Move(PathOf("c.txt"), PathOf("C.TXT"), 0);
  EXPECT_EQ(Files().FindFiles(PathOf("c.txt")).size(), 1u);
  EXPECT_EQ(ReadFile(PathOf("C.TXT")), "a");

  Files().ForceDirectories(PathOf("d1\\inner"));
  Files().Move(PathOf("d1"), PathOf("d2"), 0);
  EXPECT_TRUE(Files().DirectoryExists(PathOf("d2\\inner")));
}

TEST_F(FileSystem, Move_Misuse) {
  WriteFile(PathOf("a.txt"), "a");
  WriteFile(PathOf("used.txt"), "used");
  Files().MakeDirectory(PathOf("d"));
  EXPECT_EQ(Files().TryMove(PathOf("missing"), PathOf("x"), 0), errFileNotFound);
  EXPECT_EQ(Files().TryMove(PathOf("a.txt"), PathOf("nodir\\x"), 0), errPathNotFound);
  EXPECT_EQ(Files().TryMove(PathOf("a.txt"), PathOf("d"), 0), errAlreadyExists);
  EXPECT_EQ(Files().TryMove(PathOf("a.txt"), PathOf("d"), moveReplaceExisting), errAccessDenied);
  {
    const auto holder =
        Files().Open(PathOf("used.txt"), TFileAccess::Read, shareRead, TCreation::OpenExisting);
    EXPECT_EQ(Files().TryMove(PathOf("a.txt"), PathOf("used.txt"), moveReplaceExisting),
              errAccessDenied)
        << "a target in use cannot be replaced";
  }
  EXPECT_TRUE(Files().FileExists(PathOf("a.txt")));
  EXPECT_EQ(ReadFile(PathOf("used.txt")), "used");
}

// A file renamed through its own handle, as a new file is put in place
// without opening it again: the same rules as a move, the handle still on
// the file afterwards.
TEST_F(FileSystem, Rename_ThroughTheHandleFollowsTheMoveRules) {
  WriteFile(PathOf("old.txt"), "old");
  WriteFile(PathOf("used.txt"), "used");
  Files().MakeDirectory(PathOf("d"));
  auto file = Files().Open(PathOf("new.tmp"), TFileAccess::ReadWriteDelete, shareRead,
                           TCreation::CreateNew);
  file->Write("new", 3);
  EXPECT_EQ(file->TryRename(PathOf("old.txt"), false), errAlreadyExists);
  EXPECT_EQ(file->TryRename(PathOf("d"), true), errAccessDenied);
  {
    const auto holder =
        Files().Open(PathOf("used.txt"), TFileAccess::Read, shareRead, TCreation::OpenExisting);
    EXPECT_EQ(file->TryRename(PathOf("used.txt"), true), errAccessDenied)
        << "a target in use cannot be replaced";
  }
  EXPECT_EQ(ReadFile(PathOf("used.txt")), "used");
  EXPECT_TRUE(Files().FileExists(PathOf("new.tmp")));

  ASSERT_EQ(file->TryRename(PathOf("old.txt"), true), errSuccess);
  EXPECT_FALSE(Files().FileExists(PathOf("new.tmp")));
  file->Write("er", 2); // still the same open file, now under the new name
  file->SetStamp(0x01C0000000000000ull);
  file.reset();
  EXPECT_EQ(ReadFile(PathOf("old.txt")), "newer");
  EXPECT_EQ(Files().GetStamp(PathOf("old.txt")), 0x01C0000000000000ull);

  // Into another directory, under a name that is not there yet.
  file = Files().Open(PathOf("old.txt"), TFileAccess::ReadWriteDelete, shareRead,
                      TCreation::OpenExisting);
  ASSERT_EQ(file->TryRename(PathOf("d\\moved.txt"), false), errSuccess);
  file.reset();
  EXPECT_EQ(ReadFile(PathOf("d\\moved.txt")), "newer");
#ifndef _WIN32
  // As Windows, where Wine (as root) lets both through: a read-only target
  // is refused, and so is a handle opened without delete access.
  WriteFile(PathOf("ro.txt"), "ro");
  Files().SetAttributes(PathOf("ro.txt"), faReadOnly);
  file = Files().Open(PathOf("d\\moved.txt"), TFileAccess::ReadWriteDelete, shareRead,
                      TCreation::OpenExisting);
  EXPECT_EQ(file->TryRename(PathOf("ro.txt"), true), errAccessDenied);
  file.reset();
  file = Files().Open(PathOf("d\\moved.txt"), TFileAccess::ReadWrite, shareRead,
                      TCreation::OpenExisting);
  EXPECT_EQ(file->TryRename(PathOf("back.txt"), false), errAccessDenied);
  file.reset();
  EXPECT_TRUE(Files().FileExists(PathOf("d\\moved.txt")));
  Files().SetAttributes(PathOf("ro.txt"), faNormal);
#endif
}

TEST_F(FileSystem, Move_DelayUntilRebootOnlyRecords) {
  WriteFile(PathOf("old.txt"), "old");
  WriteFile(PathOf("new.txt"), "new");
  {
    // The case it exists for: the target is in use.
    const auto holder =
        Files().Open(PathOf("old.txt"), TFileAccess::Read, shareRead, TCreation::OpenExisting);
    EXPECT_EQ(Files().TryMove(PathOf("new.txt"), PathOf("old.txt"),
                              moveReplaceExisting | moveDelayUntilReboot),
              errSuccess);
    EXPECT_EQ(Files().TryMove(PathOf("new.txt"), "", moveDelayUntilReboot), errSuccess);
  }
  EXPECT_EQ(ReadFile(PathOf("old.txt")), "old");
  EXPECT_EQ(ReadFile(PathOf("new.txt")), "new");
}

TEST_F(FileSystem, Attributes_RoundTrip) {
  const std::string path = PathOf("f.txt");
  WriteFile(path, "");
  const TFileAttributes fresh = Files().GetAttributes(path);
  EXPECT_EQ(fresh & (faDirectory | faReadOnly | faHidden), 0u);

  Files().SetAttributes(path, faReadOnly | faHidden);
  EXPECT_EQ(Files().GetAttributes(path) & (faReadOnly | faHidden | faSystem),
            faReadOnly | faHidden);
  Files().SetAttributes(path, faNormal);
  EXPECT_EQ(Files().GetAttributes(path) & (faReadOnly | faHidden | faSystem), 0u);

  Files().MakeDirectory(PathOf("d"));
  Files().SetAttributes(PathOf("d"), faHidden);
  EXPECT_EQ(Files().GetAttributes(PathOf("d")), faDirectory | faHidden);

  TFileAttributes attributes = 0;
  EXPECT_EQ(Files().TryGetAttributes(PathOf("none"), attributes), errFileNotFound);
  EXPECT_EQ(Files().TryGetAttributes(PathOf("none\\deeper"), attributes), errPathNotFound);
  EXPECT_EQ(Files().TrySetAttributes(PathOf("none"), faHidden), errFileNotFound);
}

TEST_F(FileSystem, Stamps_RoundTripByPathAndByHandle) {
  const std::string path = PathOf("f.txt");
  WriteFile(path, "x");
  const TFileStamp stamp = 130'000'000'001'234'567; // 100 ns precision, in 2012
  Files().SetStamp(path, stamp);
  EXPECT_EQ(Files().GetStamp(path), stamp);
  {
    const auto file = Files().OpenReadWrite(path);
    EXPECT_EQ(file->GetStamp(), stamp);
    file->SetStamp(stamp + 10'000'000);
    EXPECT_EQ(file->GetStamp(), stamp + 10'000'000);
  }
  EXPECT_EQ(Files().GetStamp(path), stamp + 10'000'000);
  EXPECT_EQ(ErrorOf([&] { Files().GetStamp(PathOf("none")); }), errFileNotFound);
}

TEST_F(FileSystem, ShortPath_ReachesTheSameFile) {
  Files().MakeDirectory(PathOf("A Long Directory Name"));
  const std::string path = PathOf("A Long Directory Name\\a long file name.text");
  WriteFile(path, "long");
  const std::string shortPath = Files().ShortPath(path);
  EXPECT_EQ(ReadFile(shortPath), "long");
  EXPECT_EQ(ErrorOf([&] { Files().ShortPath(PathOf("none.txt")); }), errFileNotFound);
}

TEST_F(FileSystem, TempDirectory_EndsInBackslashAndExists) {
  const std::string temp = Files().TempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(Files().DirectoryExists(temp));
}

TEST_F(FileSystem, TempFileName_GivesUniqueCreatedFiles) {
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    const std::string name = Files().TempFileName(Dir(), "Qnd-ignored");
    EXPECT_TRUE(Files().FileExists(name)) << name;
    EXPECT_EQ(ReadFile(name), "");
    const std::string leaf = name.substr(name.rfind('\\') + 1);
    EXPECT_EQ(leaf.substr(0, 3), "Qnd") << "three characters of the prefix";
    EXPECT_TRUE(EndsWithNoCase(leaf, ".tmp")) << leaf;
    EXPECT_TRUE(names.insert(name).second) << "given twice: " << name;
  }
  EXPECT_EQ(ErrorOf([&] { Files().TempFileName(PathOf("none"), "q"); }), errDirectory);
}

TEST_F(FileSystem, CurrentDir_ResolvesRelativePaths) {
  Files().MakeDirectory(PathOf("work"));
  Files().SetCurrentDir(PathOf("work"));
  EXPECT_EQ(Files().GetCurrentDir(), PathOf("work"));
  WriteFile("rel.txt", "relative");
  EXPECT_EQ(ReadFile(PathOf("work\\rel.txt")), "relative");
  EXPECT_TRUE(Files().FileExists("..\\work\\rel.txt"));
  Files().SetCurrentDir("..");
  EXPECT_EQ(Files().GetCurrentDir(), Dir());
  EXPECT_TRUE(Files().FileExists("work\\rel.txt"));
  EXPECT_TRUE(Files().FileExists(Dir().substr(2) + "\\work\\rel.txt")) << "drive-relative";

  EXPECT_EQ(ErrorOf([&] { Files().SetCurrentDir(PathOf("none")); }), errFileNotFound);
  EXPECT_EQ(ErrorOf([&] { Files().SetCurrentDir(PathOf("work\\rel.txt")); }), errDirectory);
  EXPECT_EQ(Files().GetCurrentDir(), Dir()) << "a failed change keeps the directory";
}

} // namespace
} // namespace quendel::platform::testing
