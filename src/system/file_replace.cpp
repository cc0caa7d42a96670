#include "system/file_replace.h"

#include "core/strings.h"
#include "system/os_version.h"
#include "system/registry_routines.h"

namespace quendel {

using platform::EPlatformError;
using platform::TErrorCode;

std::string TemporaryReplaceCandidate(const std::string& Name, int Attempt) {
  return ChangeFileExt(Name, "." + IntToStr(Attempt));
}

std::string TemporaryReplaceName(platform::IFileSystem& Files, const std::string& Dir,
                                 const std::string& Name) {
  for (int N = 1;; ++N) {
    const std::string Candidate = TemporaryReplaceCandidate(Name, N);
    // One lookup for a file or directory of that name: a name that is not
    // there costs some systems (Wine: a case-blind scan of the whole
    // directory) far more than one that is.
    platform::TFileAttributes Attributes = 0;
    if (Files.TryGetAttributes(Dir + "\\" + Candidate, Attributes) != platform::errSuccess)
      return Candidate;
  }
}

bool IsInUse(TErrorCode Code) {
  // A file open without delete sharing refuses with 32; a running program's
  // image (or a loaded library) with 5; 33 is a locked region.
  return Code == platform::errSharingViolation || Code == platform::errAccessDenied || Code == 33;
}

namespace {

// Replaces Target by Move (the file's own rename, or a move by name), with
// the second try for a read-only Target.
template <typename TMove>
TErrorCode ReplaceWith(platform::IFileSystem& Files, const std::string& Target, TMove Move) {
  TErrorCode Error = Move();
  if (Error != platform::errAccessDenied) return Error;
  platform::TFileAttributes Attributes = 0;
  if (Files.TryGetAttributes(Target, Attributes) != platform::errSuccess ||
      (Attributes & platform::faReadOnly) == 0)
    return Error;
  // Read-only is no sign of use: clear it and try once more; put it back
  // when the target still cannot be replaced.
  if (Files.TrySetAttributes(Target, Attributes & ~platform::faReadOnly) != platform::errSuccess)
    return Error;
  Error = Move();
  if (Error != platform::errSuccess) Files.TrySetAttributes(Target, Attributes);
  return Error;
}

} // namespace

TErrorCode TryReplaceFile(platform::IFileSystem& Files, const std::string& Temp,
                          const std::string& Target) {
  return ReplaceWith(Files, Target,
                     [&] { return Files.TryMove(Temp, Target, platform::moveReplaceExisting); });
}

TErrorCode TryReplaceFile(platform::IFileSystem& Files, std::unique_ptr<platform::IFile> Open,
                          const std::string& Temp, const std::string& Target) {
  if (Open) {
    const TErrorCode Error =
        ReplaceWith(Files, Target, [&] { return Open->TryRename(Target, true); });
    if (Error != platform::errNotSupported) return Error;
    Open.reset();
  }
  return TryReplaceFile(Files, Temp, Target);
}

namespace {

std::string ShortOrLong(platform::IFileSystem& Files, const std::string& Path) {
  const std::string Short = GetShortPath(Files, Path);
  return Short.empty() ? Path : Short;
}

} // namespace

std::string ReplaceBatchText(const std::vector<std::pair<std::string, std::string>>& Moves) {
  std::string Text;
  for (const auto& [Temp, Target] : Moves)
    Text += "if exist \"" + Temp + "\" move /y \"" + Temp + "\" \"" + Target + "\"\r\n";
  return Text;
}

std::optional<TRebootReplacement>
ScheduleReplaceAtReboot(platform::IFileSystem& Files, platform::IRegistry& Registry,
                        const platform::ISystemInfo& System, const std::string& Temp,
                        const std::string& Target, bool AllowBatch) {
  const std::string ShortTarget = ShortOrLong(Files, Target);
  const std::string ShortTemp = ShortOrLong(Files, Temp);
  if (os9xFamily.Contains(GetOSVersion(System))) {
    // Windows 95 to ME carry out [Rename] of WININIT.INI at their next
    // start: target=source, in short names, as the real-mode mover needs.
    try {
      WriteProfileString(Files, GetWindowsDir(System) + "\\WININIT.INI", "Rename", ShortTarget,
                         ShortTemp);
      return TRebootReplacement{TRebootMethod::WininitIni, {}};
    } catch (const EPlatformError&) {
      return std::nullopt;
    }
  }
  if (Files.TryMove(Temp, Target, platform::moveReplaceExisting | platform::moveDelayUntilReboot) ==
      platform::errSuccess)
    return TRebootReplacement{TRebootMethod::DelayedMove, {}};
  if (!AllowBatch) return std::nullopt;
  std::string Batch;
  try {
    Batch = ChangeFileExt(GetTempFileName(Files, false), ".bat");
    const auto File = Files.Create(Batch);
    const std::string Text = ReplaceBatchText({{ShortTemp, ShortTarget}});
    File->Write(Text.data(), Text.size());
  } catch (const std::exception&) {
    if (!Batch.empty()) Files.TryRemoveFile(Batch);
    return std::nullopt;
  }
  if (!AddRunOnce(Registry, System, QuendelBatFileValue, Batch, true)) {
    Files.TryRemoveFile(Batch);
    return std::nullopt;
  }
  return TRebootReplacement{TRebootMethod::BatchFile, Batch};
}

namespace {

std::string ReadWhole(platform::IFileSystem& Files, const std::string& Path) {
  const auto File = Files.OpenRead(Path);
  std::string Text(static_cast<std::size_t>(File->Size()), '\0');
  File->ReadExact(Text.data(), Text.size());
  return Text;
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::size_t At = 0;
  while (At < Text.size()) {
    std::size_t End = Text.find('\n', At);
    if (End == std::string::npos) End = Text.size();
    std::string Line = Text.substr(At, End - At);
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    Lines.push_back(std::move(Line));
    At = End + 1;
  }
  return Lines;
}

// The section name of a "[Name]" line, or nothing.
std::optional<std::string> SectionOf(const std::string& Line) {
  const std::string T = Trim(Line);
  if (T.size() < 2 || T.front() != '[') return std::nullopt;
  const std::size_t Close = T.find(']');
  if (Close == std::string::npos) return std::nullopt;
  return Trim(T.substr(1, Close - 1));
}

std::optional<std::string> KeyOf(const std::string& Line) {
  const std::size_t Equal = Line.find('=');
  if (Equal == std::string::npos) return std::nullopt;
  return Trim(Line.substr(0, Equal));
}

} // namespace

void WriteProfileString(platform::IFileSystem& Files, const std::string& Path,
                        const std::string& Section, const std::string& Key,
                        const std::string& Value) {
  std::vector<std::string> Lines;
  if (Files.FileExists(Path)) Lines = SplitLines(ReadWhole(Files, Path));
  const std::string Entry = Key + "=" + Value;
  std::optional<std::size_t> SectionStart;
  std::size_t Insert = Lines.size();
  bool Done = false;
  for (std::size_t I = 0; I < Lines.size() && !Done; ++I) {
    if (const auto Name = SectionOf(Lines[I])) {
      if (SectionStart) break; // the next section: append before it
      if (SameText(*Name, Section)) SectionStart = I, Insert = I + 1;
      continue;
    }
    if (!SectionStart) continue;
    if (!Trim(Lines[I]).empty()) Insert = I + 1;
    if (const auto Name = KeyOf(Lines[I]); Name && SameText(*Name, Key)) {
      Lines[I] = Entry;
      Done = true;
    }
  }
  if (!Done) {
    if (!SectionStart) {
      Lines.push_back("[" + Section + "]");
      Insert = Lines.size();
    }
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(Insert), Entry);
  }
  std::string Text;
  for (const auto& Line : Lines)
    Text += Line + "\r\n";
  const auto File = Files.Create(Path);
  File->Write(Text.data(), Text.size());
}

std::string ReadProfileString(platform::IFileSystem& Files, const std::string& Path,
                              const std::string& Section, const std::string& Key,
                              const std::string& Default) {
  if (!Files.FileExists(Path)) return Default;
  bool In = false;
  for (const auto& Line : SplitLines(ReadWhole(Files, Path))) {
    if (const auto Name = SectionOf(Line)) {
      In = SameText(*Name, Section);
      continue;
    }
    if (!In) continue;
    if (const auto Name = KeyOf(Line); Name && SameText(*Name, Key))
      return Trim(Line.substr(Line.find('=') + 1));
  }
  return Default;
}

} // namespace quendel
