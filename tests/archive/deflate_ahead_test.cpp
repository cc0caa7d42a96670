#include "archive/deflate_ahead.h"

#include "archive/archive_context.h"
#include "archive/compress.h"
#include "archive/sandbox.h"
#include "core/dates.h"

#include <gtest/gtest.h>

namespace quendel {
namespace {

using testing::TSandbox;

// A build adds its files one Add each; with the members compressed ahead on
// worker threads the archive must come out byte for byte as without them,
// also when the adds stray from the planned order: a planned file never
// added, a file added that was not planned, another level, a source too
// large for the workers, a planned source that is missing.
TEST(DeflateAhead, ArchiveIsByteIdenticalToCompressingInline) {
  TSandbox S;
  const TDateTime Date = EncodeDateTime(2001, 2, 3, 4, 5, 6, 0);
  const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> Sources = {
      {"a.txt", testing::TextBytes(300000, 3)},
      {"b.bin", testing::RandomBytes(200000, 4)},
      {"empty.txt", {}},
      {"c.txt", testing::TextBytes(70000, 5)},
      {"large.bin", testing::RandomBytes(TDeflateAhead::MaxMemberBytes + 1, 6)},
      {"d.txt", testing::TextBytes(140000, 7)},
      {"e.txt", testing::TextBytes(50000, 8)},
  };
  for (const auto& [Name, Bytes] : Sources) {
    S.Write("src\\" + Name, Bytes);
    S.Files->SetStamp(S.Path("src\\" + Name), DateTimeToFileTime(Date));
  }
  // Added in this order; "skipped.txt" is planned but never added, "c.txt"
  // comes after "d.txt", and "e.txt" is added at the fastest level.
  const std::vector<std::string> Adds = {"a.txt", "b.bin",     "empty.txt", "large.bin",
                                         "d.txt", "c.txt",     "e.txt"};
  auto Build = [&](const std::string& Archive, bool WithAhead) {
    TArchiveContext Context(*S.Files);
    TArchiveContextScope Scope(Context);
    std::unique_ptr<TDeflateAhead> Ahead;
    if (WithAhead) {
      std::vector<std::string> Plan;
      for (const char* Name : {"a.txt", "b.bin", "skipped.txt", "empty.txt", "c.txt",
                               "large.bin", "d.txt", "e.txt"})
        Plan.push_back(S.Path("src\\" + std::string(Name)));
      Ahead = std::make_unique<TDeflateAhead>(*S.Files, 9, Plan);
      Context.SetAhead(Ahead.get());
    }
    TQndlCompress C(nullptr, S.Files.get());
    C.SetCompressedFile(S.Path(Archive));
    int Id = 0;
    for (const std::string& Name : Adds) {
      C.SetCompressionLevel(Name == "e.txt" ? colFastest : colMax);
      TStrings List;
      List.Add(S.Path("src\\" + Name));
      C.SetFilesToProcess(List);
      C.Add(Id == 0 ? lzcOverwrite : lzcOnlyAdd, Id);
      ++Id;
    }
    Context.SetAhead(nullptr);
  };
  Build("inline.qar", false);
  Build("ahead.qar", true);
  const std::vector<std::uint8_t> Inline = S.Read("inline.qar");
  ASSERT_GT(Inline.size(), 500000u);
  EXPECT_TRUE(Inline == S.Read("ahead.qar"));

  // And every member comes back as it went in.
  TQndlCompress C(nullptr, S.Files.get());
  C.SetCompressedFile(S.Path("ahead.qar"));
  C.SetExtractDirectory(S.Path("out"));
  TStrings List;
  for (int i = 0; i < C.Count(); ++i)
    List.Add(C.Directory().Item(i).Record.FileName());
  C.SetFilesToProcess(List);
  C.Extract();
  for (const auto& [Name, Bytes] : Sources)
    EXPECT_TRUE(S.Read("out\\" + Name) == Bytes) << Name;
}

} // namespace
} // namespace quendel
