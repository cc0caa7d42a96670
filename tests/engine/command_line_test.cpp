#include "engine/command_line.h"
#include "engine/errors.h"

#include <gtest/gtest.h>

namespace quendel {
namespace {

std::string InvalidMessage(const std::string& Arg) {
  return "Invalid parameter <" + Arg +
         ">. Valid command line parameters are: -b (Build), -d (Debug), -f (Transfer to floppies), "
         "-e (Called by self-extractor), -r (After reboot)";
}

void ExpectInvalid(const std::vector<std::string>& Args, const std::string& Bad) {
  try {
    (void)ParseSetupCommandLine(Args);
    ADD_FAILURE() << "accepted " << Bad;
  } catch (const IEInstall& e) {
    EXPECT_EQ(e.Message(), InvalidMessage(Bad));
  }
}

TEST(CommandLine, Switches_TextKeepsCaseLetterDoesNot) {
  const TCommandLine c = ParseSetupCommandLine({"-sC:\\My Build", "-ESetup.exe", "-d", "-C"});
  EXPECT_EQ(c.Param('s'), "C:\\My Build");
  EXPECT_EQ(c.Param('e'), "Setup.exe");
  EXPECT_TRUE(c.Has('d'));
  EXPECT_EQ(c.Param('d'), "");
  EXPECT_TRUE(c.Has('c'));
  EXPECT_FALSE(c.Has('b'));
  // A repeated switch keeps the later text.
  EXPECT_EQ(ParseSetupCommandLine({"-sA", "*sB"}).Param('s'), "B");
}

TEST(CommandLine, BadArguments_FailWithTheExactMessage) {
  ExpectInvalid({"-x"}, "-x");
  ExpectInvalid({"-"}, "-");
  ExpectInvalid({"*"}, "*");
  ExpectInvalid({"/s"}, "/s");
  ExpectInvalid({"-sOK", "setup.exe"}, "setup.exe");
  ExpectInvalid({""}, "");
  // Quiet and log are only ours after "*": "-q" is still a bad argument.
  ExpectInvalid({"-q"}, "-q");
}

TEST(CommandLine, StarArguments_UnknownIgnoredQuietAndLogTaken) {
  const TCommandLine c = ParseSetupCommandLine({"*TODISK", "*Q", "*lC:\\logs\\Setup Log.txt"});
  EXPECT_TRUE(c.Params.empty());
  EXPECT_TRUE(c.Quiet);
  EXPECT_TRUE(c.HasLog);
  EXPECT_EQ(c.LogPath, "C:\\logs\\Setup Log.txt");
  EXPECT_FALSE(ParseSetupCommandLine({"-r"}).Quiet);
}

TEST(CommandLine, DestinationSwitch_TakesOnlyAFullPath) {
  EXPECT_EQ(ParseSetupCommandLine({"*IC:\\Chosen Place\\App"}).DestDir, "C:\\Chosen Place\\App");
  EXPECT_EQ(ParseSetupCommandLine({"*i\\\\server\\share\\App"}).DestDir, "\\\\server\\share\\App");
  EXPECT_TRUE(ParseSetupCommandLine({"*q"}).DestDir.empty());
  ExpectInvalid({"*i"}, "*i");
  ExpectInvalid({"*iApp"}, "*iApp");
  ExpectInvalid({"*iC:App"}, "*iC:App");
  ExpectInvalid({"*i\\App"}, "*i\\App");
  // "-i" is no switch of this program at all.
  ExpectInvalid({"-iC:\\App"}, "-iC:\\App");
}

} // namespace
} // namespace quendel
