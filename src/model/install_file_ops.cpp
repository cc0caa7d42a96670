#include "model/install_file_ops.h"

#include "archive/compress.h"
#include "core/format.h"
#include "core/strings.h"
#include "system/os_version.h"
#include "system/registry_routines.h"
#include "uninstall/uninstall_log.h"

namespace quendel {

using platform::EPlatformError;

namespace {

const char* const MsgDestBlank = "Cannot compress,copy, or install the following file because "
                                 "it's destination directory is blank. File is :%s";

// Removes the temporary file, once there is one, unless it was handed on.
class TTempFile {
public:
  explicit TTempFile(platform::IFileSystem& Files) : FFiles(Files) {}
  ~TTempFile() {
    if (!FKept && !FPath.empty()) FFiles.TryRemoveFile(FPath);
  }
  void Set(std::string Path) { FPath = std::move(Path); }
  void Keep() { FKept = true; }

private:
  platform::IFileSystem& FFiles;
  std::string FPath;
  bool FKept = false;
};

} // namespace

TPlacement ExtractAndPlace(TQndlCompress& Compressor, platform::TPlatform& Machine,
                           const std::string& Dir, const std::string& DestName,
                           const std::string& Source, bool AllowBatch, const std::string& Name,
                           bool TargetMissing) {
  // Dir is made, when missing, by the extraction's creation of the file.
  platform::IFileSystem& Files = *Machine.Files;
  TPlacement Result;
  const std::string Target = Dir + "\\" + DestName;
  TTempFile Guard(Files);

  // The decision to write was made by the caller; the temporary file is
  // created as new under the first of its names that is free (an existing
  // file or directory of such a name is passed over, never replaced), so the
  // compressor's own rule must not skip it. A target the caller found
  // missing is first tried under its own name, created as new: that
  // creation is the check that it is still missing, and spares the rename
  // (and, on Wine, a case-blind scan of the directory for the temporary
  // name). Taken after all, the temporary names follow as usual.
  const TOverwriteType SavedMode = Compressor.Overwrite();
  const bool SavedKeep = Compressor.KeepExtractedFile;
  auto SavedFreshName = std::move(Compressor.FreshName);
  Compressor.SetOverwrite(owAlways);
  // The new file stays open, to be moved into place through its handle
  // (when the compressor works on the machine's own file system).
  Compressor.KeepExtractedFile = &Compressor.Files() == &Files;
  int LastAttempt = 0;
  const int FirstTemporary = TargetMissing ? 2 : 1;
  auto Candidate = [&DestName, FirstTemporary](int Attempt) {
    return Attempt < FirstTemporary ? DestName
                                    : TemporaryReplaceCandidate(DestName, Attempt - FirstTemporary + 1);
  };
  Compressor.FreshName = [&LastAttempt, &Candidate](int Attempt) {
    LastAttempt = Attempt;
    return Candidate(Attempt);
  };
  Compressor.SetExtractDirectory(Dir);
  Compressor.DestFileName = Candidate(1);
  // The member is stored under the start of a long source path only.
  const std::string Member = StoredMemberName(Source);
  Compressor.FilesToProcess().Clear();
  Compressor.FilesToProcess().Add(Member);
  auto Restore = [&] {
    Compressor.SetOverwrite(SavedMode);
    Compressor.KeepExtractedFile = SavedKeep;
    Compressor.FreshName = std::move(SavedFreshName);
    Result.TempName = Compressor.CreatedFileName();
    if (!Result.TempName.empty()) Guard.Set(Dir + "\\" + Result.TempName);
  };
  try {
    Compressor.Extract();
  } catch (...) {
    Restore();
    throw;
  }
  Restore();
  const std::string Temp = Dir + "\\" + Result.TempName;
  // Written under the target's own name: the guard removes it, as it would a
  // temporary file, on every way out until it has passed the checks.
  const bool Direct = !Result.TempName.empty() && LastAttempt < FirstTemporary;
  // Closed before the guard removes the temporary file on any way out.
  std::unique_ptr<platform::IFile> Extracted = Compressor.TakeExtractedFile();
  // A cancel ends the extraction quietly; what it left is not the file.
  if (Compressor.Abort()) throw EAIUserAbort();
  const int Index = Compressor.Directory().FindByName(Member);
  if (Index < 0 || Result.TempName.empty() || (!Extracted && !Files.FileExists(Temp)))
    Raise<IECustomInstallFile>("The file %s was not extracted from %s",
                               {Source, Compressor.CompressedFile()});
  const std::int64_t Expected = Compressor.Directory().Item(Index).Record.UncompressedSize();
  // What the compressor wrote to the file it just closed (opening it again
  // to ask would cost the same answer a round trip).
  const std::int64_t Written = Compressor.Stats().FileBytesDone;
  if (Written != Expected)
    Raise<IECustomInstallFile>("The file %s was extracted with %d of its %d bytes",
                               {Temp, Written, Expected});
  if (Direct) {
    Extracted.reset();
    Guard.Keep();
    Result.TempName.clear();
    return Result;
  }

  const platform::TErrorCode Error = TryReplaceFile(Files, std::move(Extracted), Temp, Target);
  if (Error == platform::errSuccess) {
    // Moved: nothing is left under the temporary name to remove.
    Guard.Keep();
    return Result;
  }
  if (!IsInUse(Error)) throw EPlatformError("MoveFileExA", Temp + ", " + Target, Error);
  Result.ReplaceAtReboot = true;
  Result.Reboot =
      ScheduleReplaceAtReboot(Files, *Machine.Registry, *Machine.System, Temp, Target, AllowBatch);
  if (!Result.Reboot)
    Raise<IECustomInstallFile>(
        "%s cannot register a routine in the register to move the files after the computer is "
        "reboot",
        {Name});
  Guard.Keep();
  return Result;
}

void RegisterHelpFile(platform::IRegistry& Registry, const std::string& DestName,
                      const std::string& Dir) {
  WriteRegString(Registry, rkiLocalMachine, HelpKey, UpperCase(DestName), Dir);
}

std::int32_t IncrementSharedDLLCount(platform::TPlatform& Machine, const std::string& Target,
                                     const std::string& Name) {
  // Created here first so that a refusal reports the system's own code.
  try {
    Machine.Registry->CreateKey(platform::rkLocalMachine, SharedDLLsKey + 1);
  } catch (const EPlatformError& E) {
    Raise<IECustomInstallFile>("Could not open the key SharedDLLs key in the registry. File "
                               "component %s. GetLastError return: %d",
                               {Name, static_cast<std::int64_t>(E.Code())});
  }
  TqndlRegistry Reg(*Machine.Registry);
  Reg.SetRootKey(hkLocalMachine);
  if (!Reg.OpenKey(SharedDLLsKey, true))
    Raise<IECustomInstallFile>("Could not open the key SharedDLLs key in the registry. File "
                               "component %s. GetLastError return: %d",
                               {Name, static_cast<std::int64_t>(platform::errAccessDenied)});
  // Counts kept by older installers may sit under the short name; keep
  // counting there rather than splitting one library's count in two.
  std::string ValueName = GetShortPath(*Machine.Files, Target);
  std::int32_t Count = 0;
  bool Found = false;
  if (!ValueName.empty() && Reg.ValueExists(ValueName)) {
    try {
      Count = Reg.ReadInteger(ValueName);
      Found = true;
    } catch (const EPlatformError&) {
    }
  }
  if (!Found) {
    ValueName = Target;
    try {
      Count = Reg.ValueExists(ValueName) ? Reg.ReadInteger(ValueName) : 0;
    } catch (const EPlatformError&) {
      Count = 0;
    }
  }
  try {
    Reg.WriteInteger(ValueName, Count + 1);
  } catch (const EPlatformError& E) {
    Raise<IECustomInstallFile>("Could not open the key SharedDLLs key in the registry. File "
                               "component %s. GetLastError return: %d",
                               {Name, static_cast<std::int64_t>(E.Code())});
  }
  return Count + 1;
}

namespace {

// Makes Dir current for its lifetime; failures either way are of no matter.
class TCurrentDir {
public:
  TCurrentDir(platform::IFileSystem& Files, const std::string& Dir) : FFiles(Files) {
    try {
      FSaved = Files.GetCurrentDir();
      Files.SetCurrentDir(Dir);
    } catch (const EPlatformError&) {
    }
  }
  ~TCurrentDir() {
    try {
      if (!FSaved.empty()) FFiles.SetCurrentDir(FSaved);
    } catch (const EPlatformError&) {
    }
  }

private:
  platform::IFileSystem& FFiles;
  std::string FSaved;
};

} // namespace

void RegisterServerDll(platform::TPlatform& Machine, const std::string& Target,
                       const std::string& Name) {
  std::unique_ptr<platform::ILibrary> Library;
  try {
    Library = Machine.Processes->OpenLibrary(Target);
  } catch (const EPlatformError& E) {
    Raise<IECustomInstallFile>(
        "Could not register the ActiveX component, %s, because the LoadLibrary(%s) procedure "
        "returned a value of 0. The file component is %s. The following value is the value of "
        "the GetLastError function: %d",
        {Target, Target, Name, static_cast<std::int64_t>(E.Code())});
  }
  if (const platform::TErrorCode Error = Library->TryFindExport("DllRegisterServer"))
    Raise<IECustomInstallFile>(
        "Could not register the ActiveX component, %s, because the DllRegisterServer function "
        "could not be found. The file component is %s. The following value is the value of the "
        "GetLastError function: %d",
        {Target, Name, static_cast<std::int64_t>(Error)});
  const std::int32_t Result = Library->CallRegistrationExport("DllRegisterServer");
  if (Result != 0)
    Raise<IECustomInstallFile>("Could not register the ActiveX component, %s, because the "
                               "DllRegisterServer function returned a value of %d. The file "
                               "component is %s",
                               {Target, Result, Name});
}

void RegisterServerExe(platform::TPlatform& Machine, const std::string& Target,
                       const std::string& Name, std::uint32_t Timeout) {
  platform::TProcessStart Start;
  Start.Application = Target;
  Start.CommandLine = platform::CommandLineOf(Target, "/REGSERVER");
  Start.ShowCommand = platform::showHide;
  std::optional<std::uint32_t> Exit;
  try {
    Exit = Machine.Processes->RunAndWait(Start, Timeout);
  } catch (const EPlatformError& E) {
    Raise<IECustomInstallFile>("Could not register the server %s: %s. The file component is %s",
                               {Target, std::string(E.what()), Name});
  }
  if (!Exit)
    Raise<IECustomInstallFile>("Could not register the server %s: it did not finish within %d "
                               "seconds. The file component is %s",
                               {Target, static_cast<std::int64_t>(Timeout / 1000), Name});
  if (*Exit != 0)
    Raise<IECustomInstallFile>("Could not register the server %s: it ended with the exit code %d. "
                               "The file component is %s",
                               {Target, static_cast<std::int64_t>(*Exit), Name});
}

void RegisterTypeLib(platform::TPlatform& Machine, const std::string& Target,
                     const std::string& Name) {
  try {
    Machine.Processes->RegisterTypeLibrary(Target);
  } catch (const EPlatformError& E) {
    Raise<IECustomInstallFile>("Could not register the type library %s: %s. The file component "
                               "is %s",
                               {Target, std::string(E.what()), Name});
  }
}

TSelfRegisterKind SelfRegisterKindOf(const std::string& FileName) {
  const std::string Ext = UpperCase(ExtractFileExt(FileName));
  if (Ext == ".EXE") return TSelfRegisterKind::ServerExe;
  if (Ext == ".TLB") return TSelfRegisterKind::TypeLib;
  return TSelfRegisterKind::ServerDll;
}

void InSelfRegisterTarget(platform::TPlatform& Machine, const std::string& Dir,
                          const std::string& DestName, const std::string& Name,
                          TFunctionRef<void(const std::string& Target)> Register) {
  const std::string Target = Dir + "\\" + DestName;
  if (Trim(Dir + DestName).empty() || !Machine.Files->FileExists(Target))
    Raise<IECustomInstallFile>(MsgDestBlank, {Name});
  TCurrentDir Current(*Machine.Files, Dir);
  Register(Target);
}

void SelfRegister(platform::TPlatform& Machine, const std::string& Dir, const std::string& DestName,
                  const std::string& FileName, const std::string& Name,
                  std::uint32_t ServerTimeout) {
  InSelfRegisterTarget(Machine, Dir, DestName, Name, [&](const std::string& Target) {
    switch (SelfRegisterKindOf(FileName)) {
    case TSelfRegisterKind::ServerExe:
      RegisterServerExe(Machine, Target, Name, ServerTimeout);
      break;
    case TSelfRegisterKind::TypeLib:
      RegisterTypeLib(Machine, Target, Name);
      break;
    case TSelfRegisterKind::ServerDll:
      RegisterServerDll(Machine, Target, Name);
      break;
    }
  });
}

void WriteFileUninstallEntry(platform::IRegistry& Registry, const std::string& ProductKey,
                             const std::string& Target, const std::string& FileName, bool ActiveX) {
  TUninstallLogWriter Log(Registry);
  WriteFileUninstallEntry(Log, ProductKey, Target, FileName, ActiveX);
}

void WriteFileUninstallEntry(TUninstallLogWriter& Log, const std::string& ProductKey,
                             const std::string& Target, const std::string& FileName, bool ActiveX) {
  if (ActiveX)
    AppendActiveXLogEntry(Log.Registry(), ProductKey, Target, ActiveXKindOf(FileName));
  else
    Log.Append(ProductKey, Target);
}

void CompleteFileAfterReboot(platform::TPlatform& Machine, const std::string& Dir,
                             const std::string& DestName, const std::string& FileName,
                             const std::string& Name, bool ActiveX,
                             platform::TFileAttributes Attributes) {
  const auto Register = [&] { SelfRegister(Machine, Dir, DestName, FileName, Name); };
  CompleteFileAfterReboot(Machine, Dir + "\\" + DestName,
                          ActiveX ? TFunctionRef<void()>(Register) : nullptr, Attributes);
}

void CompleteFileAfterReboot(platform::TPlatform& Machine, const std::string& Target,
                             TFunctionRef<void()> Register,
                             platform::TFileAttributes Attributes) {
  std::string Failures;
  if (Register) {
    try {
      Register();
    } catch (const std::exception& E) {
      Failures = E.what();
    }
  }
  if (Attributes != 0) {
    try {
      Machine.Files->SetAttributes(Target, Attributes);
    } catch (const EPlatformError& E) {
      const std::string Text =
          FormatSafe("Cannot set file attributes. Error : %s", {std::string(E.what())});
      Failures += (Failures.empty() ? "" : "\n") + Text;
    }
  }
  if (!Failures.empty()) Raise<IECustomInstallFile>(Failures);
}

} // namespace quendel
