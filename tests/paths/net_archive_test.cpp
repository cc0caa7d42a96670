// Downloading a container's archive through a network location, here one
// that serves files from a local directory.
#include "model/install_group.h"
#include "paths/paths_test_support.h"

#include "core/strings.h"

#include <gtest/gtest.h>

#include <functional>

namespace quendel::test {
namespace {

// Serves RemoteName from Directory in two blocks.
class TDirLocation : public TCustomNetInstallLocation {
public:
  TDirLocation(TComponent* AOwner, platform::IFileSystem& AFiles, std::string ADir)
      : TCustomNetInstallLocation(AOwner), Files(AFiles), Dir(std::move(ADir)) {}
  void GetFile(const std::string& RemoteName, const std::string& LocalPath) override {
    auto In = Files.Open(Dir + "\\" + RemoteName, platform::TFileAccess::Read, platform::shareRead,
                         platform::TCreation::OpenExisting);
    std::string Data(In->Size(), '\0');
    In->Read(Data.data(), Data.size());
    In.reset();
    auto Out = Files.Open(LocalPath, platform::TFileAccess::Write, 0, platform::TCreation::CreateAlways);
    const int Size = static_cast<int>(Data.size());
    const int Half = Size / 2;
    NotifyDataReceived(RemoteName, Half, Half, Size, Data.data());
    Out->Write(Data.data(), static_cast<std::size_t>(Half));
    NotifyDataReceived(RemoteName, Size - Half, Size, Size, Data.data() + Half);
    Out->Write(Data.data() + Half, static_cast<std::size_t>(Size - Half));
  }
  platform::IFileSystem& Files;
  std::string Dir;
};

std::string MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& E) {
    return E.Message();
  }
  return "no exception";
}

class NetArchive : public PathsTest {};

TEST_F(NetArchive, DownloadArchive_FetchesNameDot1AndReportsProgress) {
  platform::IFileSystem& F = *Platform().Files;
  const std::string Server = Files.Scratch + "\\server";
  F.MakeDirectory(Server);
  {
    auto Out = F.Open(Server + "\\Directory1.1", platform::TFileAccess::Write, 0, platform::TCreation::CreateAlways);
    Out->Write("0123456789", 10);
  }
  auto* Root = new TRootProbe(Form.get());
  auto* Dir = Make<TInstallDirectory>("Directory1");
  Dir->SetContainer(Root);
  EXPECT_EQ(MessageOf([&] { Dir->DownloadArchive(); }),
            "Could not find a net install location for Directory1");
  auto* Location = new TDirLocation(Form.get(), F, Server);
  Root->SetNetLocation(Location);
  EXPECT_EQ(MessageOf([&] { Dir->DownloadArchive(); }),
            "Directory1 could not install itself because the LoginInformation property of the "
            "TInstall component has not been properly filled in");
  Location->LoginInformation().Hostname = "127.0.0.1";

  std::vector<std::string> Seen;
  Dir->OnDataReceived = [&](TComponent*, const std::string& Name, int Bytes, int Total, int Size,
                            const char*) {
    Seen.push_back(Name + " " + std::to_string(Bytes) + " " + std::to_string(Total) + "/" +
                   std::to_string(Size));
  };
  Dir->DownloadArchive();
  EXPECT_EQ(Seen, (std::vector<std::string>{"Directory1.1 5 5/10", "Directory1.1 5 10/10"}));
  const std::string Local = Dir->LocalArchive();
  ASSERT_EQ(Local.substr(Local.size() - 2), ".1");
  {
    auto In = F.Open(Local, platform::TFileAccess::Read, platform::shareRead, platform::TCreation::OpenExisting);
    EXPECT_EQ(In->Size(), 10u);
  }
  EXPECT_FALSE(Location->OnDataReceived1) << "the notification is disconnected again";
  F.TryRemoveFile(Local);
  F.TryRemoveFile(ChangeFileExt(Local, ".tmp"));

  // A cancel during the download: the partial file goes and the run aborts.
  Dir->OnDataReceived = [&](TComponent*, const std::string&, int, int, int, const char*) {
    Context.UserAbort = true;
  };
  EXPECT_THROW(Dir->DownloadArchive(), EAIUserAbort);
  EXPECT_EQ(Dir->LocalArchive(), "");
}

} // namespace
} // namespace quendel::test
