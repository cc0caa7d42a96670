// Extracting with the worker inflating ahead against extracting inline:
// one member per Extract, as an install asks for its files, and the same
// bytes, events and errors either way.
#include "archive/compress.h"

#include "archive/sandbox.h"
#include "core/dates.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quendel {
namespace {

using testing::TSandbox;

struct TMemberFile {
  std::string Name;
  std::vector<std::uint8_t> Bytes;
};

class InflateAhead : public ::testing::Test {
protected:
  // Text, an empty file, random bytes, a file larger than the worker's
  // window (4 MiB) and a small one after it.
  void SetUp() override {
    Members = {
        {"a.txt", testing::TextBytes(200000, 1)},   {"empty", {}},
        {"b.bin", testing::RandomBytes(150000, 3)}, {"large.txt", testing::TextBytes(5u << 20, 4)},
        {"c.txt", testing::TextBytes(70000, 5)},    {"d.txt", testing::TextBytes(1000, 6)}};
    TQndlCompress c(nullptr, S.Files.get());
    c.SetCompressedFile(S.Path("test.qar"));
    c.SetCompressionLevel(colFastest);
    TStrings list;
    for (const auto& m : Members) {
      S.Write(m.Name, m.Bytes);
      S.Files->SetStamp(S.Path(m.Name), DateTimeToFileTime(EncodeDateTime(2001, 2, 3, 4, 5, 6, 0)));
      list.Add(S.Path(m.Name));
    }
    c.SetFilesToProcess(list);
    c.Add(lzcOverwrite, 1);
    Good = S.Read("test.qar");
    for (int i = 0; i < c.Count(); ++i)
      DataStart.push_back(c.Directory().Item(i).Record.DataStart());
  }

  // What one pass showed: every event, every error, every file's bytes.
  struct TRun {
    std::vector<std::string> Trace;
    int Plans = 0;
  };

  // Extracts the members named by Wanted (indexes into Members), one Extract
  // each, from Archive into a fresh directory; Hook may act on each status.
  TRun Run(bool Ahead, const std::vector<std::uint8_t>& Archive, const std::vector<int>& Wanted,
           const std::function<void(TQndlCompress&, const TlzhFileStats&)>& Hook,
           TOverwriteType Mode) {
    static int pass = 0;
    const std::string dir = "x" + std::to_string(++pass);
    S.Write("run.qar", Archive);
    TRun r;
    {
      TQndlCompress c(nullptr, S.Files.get());
      c.ReadAhead = Ahead;
      c.SetCompressedFile(S.Path("run.qar"));
      c.SetExtractDirectory(S.Path(dir));
      c.SetOverwrite(Mode);
      c.OnBeforeExtracting = [&](TQndlCompress&, const TlzhFileStats& St) {
        r.Trace.push_back("before " + St.FileName);
      };
      c.OnAfterExtracting = [&](TQndlCompress&, const TlzhFileStats& St) {
        r.Trace.push_back("after " + St.FileName);
      };
      c.OnAborted = [&](TComponent*) { r.Trace.push_back("aborted"); };
      c.OnStatus = [&](TQndlCompress& Q, const TlzhFileStats& St) {
        r.Trace.push_back("status " + std::to_string(St.FileBytesDone) + " " +
                          std::to_string(St.TotalBytesDone) + (St.Finished ? " done" : ""));
        if (Hook) Hook(Q, St);
      };
      int pumps = 0;
      c.ProcessMessages = [&] { ++pumps; };
      for (int w : Wanted) {
        c.FilesToProcess().Add(S.Path(Members[static_cast<std::size_t>(w)].Name));
        try {
          c.Extract();
        } catch (const std::exception& e) {
          r.Trace.push_back(std::string("error ") + e.what());
        }
        r.Trace.push_back("pumps " + std::to_string(pumps));
        const std::string name = Members[static_cast<std::size_t>(w)].Name;
        if (!S.Exists(dir + "\\" + name))
          r.Trace.push_back("missing " + name);
        else if (S.Read(dir + "\\" + name) != Members[static_cast<std::size_t>(w)].Bytes)
          r.Trace.push_back("differs " + name);
      }
      r.Plans = c.AheadPlans();
    }
    return r;
  }

  // Both ways, which must agree; the trace of the worker's.
  TRun Both(const std::vector<std::uint8_t>& Archive, const std::vector<int>& Wanted,
            const std::function<void(TQndlCompress&, const TlzhFileStats&)>& Hook = nullptr,
            TOverwriteType Mode = owNever) {
    const TRun inline_ = Run(false, Archive, Wanted, Hook, Mode);
    const TRun ahead = Run(true, Archive, Wanted, Hook, Mode);
    EXPECT_EQ(inline_.Plans, 0);
    EXPECT_EQ(ahead.Trace, inline_.Trace);
    return ahead;
  }

  static bool Has(const TRun& R, const std::string& Text) {
    for (const auto& t : R.Trace)
      if (t.find(Text) != std::string::npos) return true;
    return false;
  }

  TSandbox S;
  std::vector<TMemberFile> Members;
  std::vector<std::uint8_t> Good;
  std::vector<std::int32_t> DataStart;
};

TEST_F(InflateAhead, InOrderSkippedAndLargerThanTheWindow) {
  // Every member in order: one plan serves them all, the large one streams
  // through the window.
  TRun all = Both(Good, {0, 1, 2, 3, 4, 5});
  EXPECT_EQ(all.Plans, 1);
  EXPECT_FALSE(Has(all, "error")) << all.Trace.back();
  EXPECT_FALSE(Has(all, "missing"));
  EXPECT_FALSE(Has(all, "differs"));

  // Members not asked for (the large one among them) are dropped unseen;
  // going back to an earlier member plans again.
  TRun some = Both(Good, {0, 2, 4, 1, 5});
  EXPECT_FALSE(Has(some, "error"));
  EXPECT_FALSE(Has(some, "differs"));
  EXPECT_GE(some.Plans, 2);

  // A member kept by the overwrite rule is skipped without its data.
  TRun kept = Both(Good, {0, 0, 2, 3});
  EXPECT_FALSE(Has(kept, "error"));

  // The same member twice in a row, written both times: planned again from
  // it, while the worker may be between members.
  TRun twice = Both(Good, {0, 0, 1, 1, 2, 2, 5, 5}, nullptr, owAlways);
  EXPECT_FALSE(Has(twice, "error"));
  EXPECT_FALSE(Has(twice, "differs"));
}

TEST_F(InflateAhead, DamagedMemberFailsOnlyWhenAskedFor) {
  // Member 2's stream damaged in its middle, member 4's header promising
  // less than its stream holds.
  auto damaged = Good;
  for (int i = 0; i < 40; ++i)
    damaged[static_cast<std::size_t>(DataStart[2] + 5000 + i)] ^= 0x5A;
  const std::size_t sizeField = static_cast<std::size_t>(DataStart[4]) - 176 + 132;
  damaged[sizeField] = 0x10;
  damaged[sizeField + 1] = 0x27;
  damaged[sizeField + 2] = 0;
  damaged[sizeField + 3] = 0;

  // Asked for: the same error at the same block, the target gone, and the
  // members after it still come out whole.
  TRun asked = Both(damaged, {0, 2, 3, 4, 5});
  EXPECT_TRUE(Has(asked, "error"));
  EXPECT_TRUE(Has(asked, "missing b.bin"));
  EXPECT_TRUE(Has(asked, "missing c.txt"));
  EXPECT_TRUE(Has(asked, "The decompressed file's size does not match"));
  EXPECT_FALSE(Has(asked, "differs"));

  // Passed over while the worker inflated it: no trace of it.
  TRun passed = Both(damaged, {0, 1, 3, 5});
  EXPECT_FALSE(Has(passed, "error"));
  EXPECT_FALSE(Has(passed, "missing"));
  EXPECT_FALSE(Has(passed, "differs"));

  // The large member's stream cut short by its header: refused after its
  // last block, the members around it whole.
  auto cut = Good;
  const std::size_t endField = static_cast<std::size_t>(DataStart[3]) - 176 + 20;
  const std::int32_t end = DataStart[3] + 300000;
  for (int i = 0; i < 4; ++i)
    cut[endField + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(end >> (8 * i));
  TRun short_ = Both(cut, {0, 2, 3, 4});
  EXPECT_TRUE(Has(short_, "The decompressed file's size does not match"));
  EXPECT_TRUE(Has(short_, "missing large.txt"));
  EXPECT_FALSE(Has(short_, "differs"));
}

TEST_F(InflateAhead, CancelMidFileStopsTheWorkerAndTheNextExtractGoesOn) {
  // Cancelled at the third block of the large member; the next Extract
  // starts afresh and the members after it come out whole.
  int blocks = 0;
  TRun r = Both(Good, {0, 3, 4, 5}, [&](TQndlCompress& Q, const TlzhFileStats& St) {
    if (St.FileName.find("large.txt") != std::string::npos && St.FileBytesDone == 3 * 65536) {
      ++blocks;
      Q.SetAbort(true);
    }
  });
  EXPECT_TRUE(Has(r, "aborted"));
  EXPECT_TRUE(Has(r, "missing large.txt"));
  EXPECT_FALSE(Has(r, "differs"));
  EXPECT_EQ(blocks, 2); // once in each pass
}

} // namespace
} // namespace quendel
