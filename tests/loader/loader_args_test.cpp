#include "loader_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quendel::loader {
namespace {

struct TParsed {
  TLoaderMode Mode;
  std::string Passed;
  bool Silent;
  std::string Bad;
};

TParsed Parse(std::vector<const char*> Args) {
  TLoaderRequest R;
  ParseLoaderArguments(static_cast<int>(Args.size()), Args.data(), R);
  return {R.Mode, R.Passed.Get(), R.Silent, R.BadArgument ? R.BadArgument : ""};
}

std::vector<std::string> Split(const char* Line) {
  TText Storage;
  const char* Args[MaxArguments];
  const int N = SplitCommandLine(Line, Storage, Args);
  if (N < 0) return {"<too many>"};
  return std::vector<std::string>(Args, Args + N);
}

TEST(LoaderArguments, ConventionalSwitches_BecomeTheSetupProgramsOwnFirst) {
  auto P = Parse({"-n", "/s", "/LOG=C:\\My Logs\\setup.log"});
  EXPECT_EQ(P.Mode, TLoaderMode::Install);
  EXPECT_TRUE(P.Silent);
  EXPECT_EQ(P.Passed, "*q \"*lC:\\My Logs\\setup.log\" -n");

  P = Parse({"/Silent", "/log=x.txt"}); // case does not matter, the path keeps its case
  EXPECT_EQ(P.Passed, "*q *lx.txt");
  P = Parse({});
  EXPECT_EQ(P.Mode, TLoaderMode::Install);
  EXPECT_EQ(P.Passed, "");
  EXPECT_FALSE(P.Silent);
  // Anything else that looks like a switch passes through as it is.
  P = Parse({"*q", "-dx", "*Unknown switch"});
  EXPECT_EQ(P.Passed, "*q -dx \"*Unknown switch\"");
  EXPECT_FALSE(P.Silent) << "only /S makes the loading program itself silent";
}

TEST(LoaderArguments, ToDiskUsageAndBadArguments) {
  EXPECT_EQ(Parse({"*todisk"}).Mode, TLoaderMode::ToDisk);
  EXPECT_EQ(Parse({"*TODISK", "/S"}).Passed, "*q");
  EXPECT_EQ(Parse({"/?"}).Mode, TLoaderMode::Usage);
  for (const char* Bad : {"x", "-", "", "setup", "/LOG", "/LOG=", "/X", "/SILENTLY"}) {
    const auto P = Parse({"/S", Bad, "also-bad"});
    EXPECT_EQ(P.Mode, TLoaderMode::BadArguments) << Bad;
    EXPECT_EQ(P.Bad, Bad) << "the first bad argument is named";
  }
  EXPECT_EQ(Parse({"bad", "/?"}).Mode, TLoaderMode::BadArguments);
}

TEST(LoaderArguments, SplitFollowsTheCRuntimeAndQuotingRoundTrips) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Split("setup.exe"), V{});
  EXPECT_EQ(Split("\"C:\\Program Files\\setup.exe\"  /S   \"/LOG=C:\\a b\\l.txt\""),
            (V{"/S", "/LOG=C:\\a b\\l.txt"}));
  EXPECT_EQ(Split("s.exe a\\\\\\\"b c\\d \"e\"\"f\" \"\""), (V{"a\\\"b", "c\\d", "e\"f", ""}));
  EXPECT_EQ(Split("C:\\dir\\s.exe -x\t*y"), (V{"-x", "*y"}));

  // Whatever AppendQuoted writes, the child's runtime splits back unchanged.
  const V Tricky = {"plain", "with space", "", "trailing\\", "quote\"inside", "C:\\dir with\\",
                    "\\\\server\\share\\", "a\\\"b", "tab\there"};
  TText Line;
  Line.Append("prog.exe");
  for (const auto& A : Tricky) AppendQuoted(Line, A.c_str());
  EXPECT_EQ(Split(Line.Get()), Tricky);

  std::string Many = "s.exe";
  for (int i = 0; i <= MaxArguments; ++i) Many += " a";
  EXPECT_EQ(Split(Many.c_str()), V{"<too many>"});
}

} // namespace
} // namespace quendel::loader
