#include "uninstall/uninstall_log.h"

#include "system/registry_routines.h"
#include "uninstall/fixture.h"

#include <gmock/gmock.h>

namespace quendel {
namespace {

using platform::rkLocalMachine;
using ::testing::ElementsAre;
using UninstallLog = testing::UninstallMachine;

const std::string Key = ProductKeyPath("My product");

TEST_F(UninstallLog, Values_InTheirOrderAndOnlyWhenNotEmpty) {
  TUninstallValues V;
  V.DisplayName = "My product";
  V.UninstallString = UninstallCommand("C:\\Program Files (x86)\\My product\\Uninstall\\uninstall.exe",
                                       "My product  ");
  V.URLUpdateInfo = "http://example.invalid/update";
  V.Publisher = "My Company";
  V.DisplayVersion = "1.0";
  WriteUninstallValues(*P.Registry, Key, V);
  auto K = P.Registry->OpenKey(rkLocalMachine, Key, platform::TRegAccess::Read);
  // (The simulated registry lists values sorted, so only the set is checked.)
  EXPECT_THAT(K->ValueNames(), ::testing::UnorderedElementsAre("DisplayName", "UninstallString", "DisplayVersion",
                                           "Publisher", "URLUpdateInfo"));
  // Quoted, so that "C:\Program.exe" can never be what Windows starts.
  EXPECT_EQ(K->ReadString("UninstallString"),
            "\"C:\\Program Files (x86)\\My product\\Uninstall\\uninstall.exe\" My product");

  EXPECT_TRUE(IsValidProductName("My product"));
  EXPECT_FALSE(IsValidProductName("   "));
  EXPECT_FALSE(IsValidProductName("Evil\\..\\Other"));
}

TEST_F(UninstallLog, Entries_AppendAcrossInstallsAndMovePastAnUnusableKey) {
  AppendUninstallLogEntry(*P.Registry, Key, "C:\\App\\a.exe");
  AppendUninstallLogEntry(*P.Registry, Key, "C:\\App\\b.dll");
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files", "Entries", ""), "2");
  // Somebody broke the count: later entries go to Files1, and nothing is lost.
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files", "Entries", "two");
  AppendUninstallLogEntry(*P.Registry, Key, "C:\\App\\c.txt");
  AppendUninstallLogEntry(*P.Registry, Key, "C:\\App\\d.txt");
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files1", "File2", ""),
            "C:\\App\\d.txt");
  AppendActiveXLogEntry(*P.Registry, Key, "C:\\App\\server.ocx", ActiveXKindOf("server.ocx"));
  AppendActiveXLogEntry(*P.Registry, Key, "C:\\App\\types.TLB", ActiveXKindOf("types.TLB"));
  AppendActiveXLogEntry(*P.Registry, Key, "C:\\App\\srv.Exe", ActiveXKindOf("srv.Exe"));
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\ActiveX", "File2", ""),
            "C:\\App\\types.TLB;2");

  const TUninstallLog Log = ReadUninstallLog(*P.Registry, Key);
  EXPECT_THAT(Log.Files,
              ElementsAre("C:\\App\\a.exe", "C:\\App\\b.dll", "C:\\App\\c.txt", "C:\\App\\d.txt"));
  EXPECT_THAT(Log.ActiveX, ElementsAre(TActiveXEntry{"C:\\App\\server.ocx", 0},
                                       TActiveXEntry{"C:\\App\\types.TLB", 2},
                                       TActiveXEntry{"C:\\App\\srv.Exe", 1}));
}

TEST_F(UninstallLog, Writer_HoldsItsKeyAndCountTillClosedYetCountsWhatOthersWroteAndOutlivesTheKey) {
  TUninstallLogWriter Writer(*P.Registry);
  Writer.Append(Key, "C:\\App\\a.exe");
  Writer.Append(Key, "C:\\App\\b.dll");
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files", "Entries", ""), "2");
  // Closed (a run's end), another run appends; this writer's next entry
  // reads the count again and keeps what the other wrote.
  Writer.Close();
  AppendUninstallLogEntry(*P.Registry, Key, "C:\\App\\c.txt");
  Writer.Append(Key, "C:\\App\\d.txt");
  Writer.Append(Key, "C:\\App\\e.txt");
  EXPECT_THAT(ReadUninstallLog(*P.Registry, Key).Files,
              ElementsAre("C:\\App\\a.exe", "C:\\App\\b.dll", "C:\\App\\c.txt",
                          "C:\\App\\d.txt", "C:\\App\\e.txt"));
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files", "Entries", ""), "5");
  // The key's count broken by then: the entry moves on as a fresh append would.
  Writer.Close();
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files", "Entries", "two");
  Writer.Append(Key, "C:\\App\\d.txt");
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files1", "File1", ""),
            "C:\\App\\d.txt");
  Writer.Append(Key, "C:\\App\\d2.txt");
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files1", "Entries", ""), "2");
  // The log removed while its key and count are held: the next entry is not
  // lost, and counts from 1 in the key made again.
  ASSERT_EQ(P.Registry->TryDeleteTree(rkLocalMachine, Key), platform::errSuccess);
  Writer.Append(Key, "C:\\App\\e.txt");
  EXPECT_THAT(ReadUninstallLog(*P.Registry, Key).Files, ElementsAre("C:\\App\\e.txt"));
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files", "Entries", ""), "1");
  // Another product's log is another key.
  Writer.Append(ProductKeyPath("Other"), "C:\\Other\\f.txt");
  Writer.Append(Key, "C:\\App\\g.txt");
  EXPECT_THAT(ReadUninstallLog(*P.Registry, Key).Files,
              ElementsAre("C:\\App\\e.txt", "C:\\App\\g.txt"));
  EXPECT_THAT(ReadUninstallLog(*P.Registry, ProductKeyPath("Other")).Files,
              ElementsAre("C:\\Other\\f.txt"));
}

TEST_F(UninstallLog, Subkeys_AreBounded) {
  for (int i = 0; i <= MaxLogSubkeys; ++i)
    WriteRegString(*P.Registry, rkiLocalMachine,
                   "\\" + Key + "\\Files" + (i ? std::to_string(i) : ""), "Entries", "broken");
  EXPECT_THROW(AppendUninstallLogEntry(*P.Registry, Key, "C:\\App\\x"), EIRCannotWriteValue);
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\ActiveX", "Entries", "-3");
  EXPECT_THROW(AppendActiveXLogEntry(*P.Registry, Key, "C:\\App\\x.dll", axLibrary),
               EIRCannotWriteValue);
  // Values that are not entries are no entries; reading stops at the bound.
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files", "FileX", "C:\\no");
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files", "File0", "C:\\no");
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files" + std::to_string(MaxLogSubkeys + 1),
                 "File1", "C:\\beyond");
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + Key + "\\Files" + std::to_string(MaxLogSubkeys),
                 "File1", "C:\\last");
  EXPECT_THAT(ReadUninstallLog(*P.Registry, Key).Files, ElementsAre("C:\\last"));
}

} // namespace
} // namespace quendel
