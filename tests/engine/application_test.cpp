#include "engine/application.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;
using namespace platform;

TEST(UnattendedAnswers, DefaultButtonOfEachKind) {
  EXPECT_EQ(DefaultAnswer(mbOK | mbIconError), idOK);
  EXPECT_EQ(DefaultAnswer(mbYesNo | mbIconQuestion), idYes);
  EXPECT_EQ(DefaultAnswer(mbYesNo | mbDefButton2), idNo);
  EXPECT_EQ(DefaultAnswer(mbYesNoCancel | mbDefButton3), idCancel);
  EXPECT_EQ(DefaultAnswer(mbRetryCancel | mbDefButton2), idCancel);
  EXPECT_EQ(DefaultAnswer(mbAbortRetryIgnore | mbDefButton2), idRetry);
  // A default beyond the buttons falls back to the first one.
  EXPECT_EQ(DefaultAnswer(mbOKCancel | mbDefButton3), idOK);
}

std::string Slurp(const fs::path& P) {
  std::ifstream in(P, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Each line is on disk as soon as it is written (a crash loses nothing), is
// stamped, and stays one line whatever the text holds. An unattended
// question is logged with the answer it took.
TEST(InstallLog, LinesStampedFlushedAndAnswersLogged) {
  const fs::path path = fs::temp_directory_path() / "quendel_log_test.txt";
  fs::remove(path);
  TInstallLog log;
  ASSERT_TRUE(log.Open(path.string()));
  TUnattendedUIServices ui([&](const std::string& Text, const std::string&, unsigned Flags, int Answer) {
    LogAnswer(log, Text, Flags, Answer, false);
  });
  TApplication app("C:\\setup.exe", {}, ui);
  app.Log = &log;
  log.Write("FILE", "C:\\Program Files\\App\\a.exe");
  EXPECT_NE(Slurp(path).find("FILE C:\\Program Files\\App\\a.exe\r\n"), std::string::npos);
  EXPECT_EQ(app.ShowMessageBox("Replace the newer file?\nReally?", "Setup", mbYesNo | mbDefButton2), idNo);
  app.ShowException(std::runtime_error("Archive damaged"));
  const std::string text = Slurp(path);
  const std::regex line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (FILE|ASK|ERROR) [^\r\n]*\r\n)");
  EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), line), std::sregex_iterator()), 3)
      << text;
  EXPECT_NE(text.find("ASK Replace the newer file? Really? -> No (default answer)"), std::string::npos) << text;
  EXPECT_NE(text.find("ERROR Archive damaged"), std::string::npos);
  log.Close();
  fs::remove(path);
  EXPECT_FALSE(log.Open((fs::temp_directory_path() / "no such dir" / "x.log").string()));
  log.Write("FILE", "nothing happens");
}

} // namespace
} // namespace quendel
