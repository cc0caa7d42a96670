#include "archive/self_extracting.h"

#include "archive/errors.h"

#include <vector>

namespace quendel {

namespace {

using distribution::SelfExtractBlockSize;
using distribution::TSelfExtractInfo;

constexpr std::int64_t MaxPosition = 0x7FFFFFFF;

// Copies the whole of Source to the end of Target; false when fewer bytes
// arrived than Source holds.
bool AppendFile(platform::IFileSystem& Files, platform::IFile& Target, const std::string& Source) {
  auto In = Files.OpenRead(Source);
  const std::uint64_t Size = In->Size();
  std::vector<char> Buffer(65536);
  std::uint64_t Copied = 0;
  for (;;) {
    const std::size_t N = In->Read(Buffer.data(), Buffer.size());
    if (N == 0) break;
    Target.Write(Buffer.data(), N);
    Copied += N;
  }
  return Copied == Size;
}

} // namespace

TSelfExtractInfo MakeSelfExtractingFile(platform::IFileSystem& Files, const std::string& SetupFile,
                                        const std::string& SetupArchive,
                                        const std::string& FileArchive) {
  auto Out = Files.Open(SetupFile, platform::TFileAccess::ReadWrite, platform::shareAll,
                        platform::TCreation::OpenExisting);
  const std::int64_t Start = static_cast<std::int64_t>(Out->Seek(0, TSeekOrigin::soEnd));
  const bool HasFiles = Files.FileExists(FileArchive);
  const std::int64_t SetupSize = static_cast<std::int64_t>(Files.OpenRead(SetupArchive)->Size());
  const std::int64_t FilesSize =
      HasFiles ? static_cast<std::int64_t>(Files.OpenRead(FileArchive)->Size()) : 0;
  if (Start + SetupSize + FilesSize + SelfExtractBlockSize > MaxPosition)
    Raise<EQndlCompress>("The setup file %s would grow past 2 GiB, more than its extraction info "
                         "can address",
                         {SetupFile});
  if (SetupSize == 0 || Start == 0)
    Raise<EQndlCompress>(
        "Cannot create the self-extracting exe because %s could not be loaded onto %s",
        {SetupArchive, SetupFile});
  TSelfExtractInfo Info;
  Info.SelfExtracting = true;
  Info.SetupStart = static_cast<std::int32_t>(Start);
  auto Append = [&](const std::string& Archive) {
    try {
      if (AppendFile(Files, *Out, Archive)) return;
    } catch (const platform::EPlatformError&) {
    }
    Raise<EQndlCompress>(
        "Cannot create the self-extracting exe because %s could not be loaded onto %s",
        {Archive, SetupFile});
  };
  Append(SetupArchive);
  Info.SetupEnd = static_cast<std::int32_t>(Out->Position() - 1);
  if (HasFiles && FilesSize > 0) {
    Info.FilesStart = static_cast<std::int32_t>(Out->Position());
    Append(FileArchive);
    Info.FilesEnd = static_cast<std::int32_t>(Out->Position() - 1);
  }
  std::uint8_t Block[SelfExtractBlockSize];
  distribution::EncodeSelfExtractBlock(Info, Block);
  try {
    Out->Write(Block, sizeof Block);
  } catch (const platform::EPlatformError&) {
    Raise<EQndlCompress>("Cannot add the self-extract info header to %s", {SetupFile});
  }
  return Info;
}

void AppendNotSelfExtractBlock(platform::IFileSystem& Files, const std::string& SetupFile) {
  std::uint8_t Block[SelfExtractBlockSize];
  distribution::EncodeSelfExtractBlock(TSelfExtractInfo{}, Block);
  try {
    auto Out = Files.Open(SetupFile, platform::TFileAccess::ReadWrite, platform::shareAll,
                          platform::TCreation::OpenExisting);
    Out->Seek(0, TSeekOrigin::soEnd);
    Out->Write(Block, sizeof Block);
  } catch (const platform::EPlatformError&) {
    Raise<EQndlCompress>("Cannot add the self-extract info header to %s", {SetupFile});
  }
}

TSelfExtractInfo ReadSelfExtractInfo(platform::IFileSystem& Files, const std::string& Path) {
  TSelfExtractInfo Info;
  bool Ok = false;
  try {
    auto In = Files.OpenRead(Path);
    const std::int64_t Size = static_cast<std::int64_t>(In->Size());
    std::uint8_t Head[4096];
    const std::size_t HeadLength = In->Read(Head, sizeof Head);
    std::int64_t Ends[distribution::MaxBlockEnds];
    const int Count = distribution::SelfExtractBlockEnds(
        Head, static_cast<std::int64_t>(HeadLength), Size, Ends);
    std::uint8_t Block[SelfExtractBlockSize];
    for (int i = 0; i < Count && !Ok; ++i) {
      if (Ends[i] < SelfExtractBlockSize) continue;
      In->Seek(Ends[i] - SelfExtractBlockSize, TSeekOrigin::soBeginning);
      In->ReadExact(Block, sizeof Block);
      Ok = distribution::DecodeSelfExtractBlock(Block, Ends[i], Info) ==
           distribution::TBlockCheck::Ok;
    }
  } catch (const platform::EPlatformError&) {
    Ok = false;
  }
  if (!Ok)
    Raise<EQndlCompress>("Could not read the extraction info from the archive file %s when trying "
                         "to find the correct offset into the self extracting file",
                         {Path});
  return Info;
}

} // namespace quendel
