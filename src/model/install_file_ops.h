// What an install file does to the machine, apart from the object that
// decides it: putting the extracted file in place without ever losing the
// user's old one, and registering it (help files, shared-library counts,
// self-registration of libraries, type libraries and server programs).
#pragma once

#include "core/event.h"
#include "core/exceptions.h"
#include "model/install_container.h"
#include "platform/platform.h"
#include "system/file_replace.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quendel {

class TQndlCompress;

inline constexpr const char* HelpKey = "\\SOFTWARE\\Microsoft\\Windows\\Help";
inline constexpr const char* SharedDLLsKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
// How long a server program may take to answer "/REGSERVER".
inline constexpr std::uint32_t RegServerTimeout = 60000;

struct TPlacement {
  // The target was in use: the new file waits under TempName beside it and
  // replaces it at the next start (Reboot tells how).
  bool ReplaceAtReboot = false;
  std::string TempName;
  std::optional<TRebootReplacement> Reboot;
};

// Extracts the member Source of the compressor's archive into Dir under a
// free temporary name, checks it (complete, the size the archive records,
// no cancel), then moves it over Dir\DestName. A target in use keeps the
// temporary file and is replaced at the next start (AllowBatch: the batch
// fallback may be used). On any failure the temporary file is deleted, the
// target is left as it was and the error propagates; a cancel raises
// EAIUserAbort. Name names the install object in messages. TargetMissing
// (the caller has just found no Dir\DestName): the file is created as new
// under DestName itself and written there, with no temporary name (TempName
// stays empty) and no move; what a failure or cancel left there is removed.
// Should the name be taken by then, the temporary name is used as above.
TPlacement ExtractAndPlace(TQndlCompress& Compressor, platform::TPlatform& Machine,
                           const std::string& Dir, const std::string& DestName,
                           const std::string& Source, bool AllowBatch, const std::string& Name,
                           bool TargetMissing = false);

// The help file's directory under "Help", named by the upper-cased DestName.
void RegisterHelpFile(platform::IRegistry& Registry, const std::string& DestName,
                      const std::string& Dir);

// Adds one to Target's count under "SharedDLLs": under its short name when
// that value exists, else under its long name (created with 1). Returns the
// new count.
std::int32_t IncrementSharedDLLCount(platform::TPlatform& Machine, const std::string& Target,
                                     const std::string& Name);

// The three ways a file registers itself, chosen by the extension of its
// source name: ".EXE" a server program, ".TLB" a type library, anything else
// a library with DllRegisterServer.
enum class TSelfRegisterKind { ServerDll, TypeLib, ServerExe };
TSelfRegisterKind SelfRegisterKindOf(const std::string& FileName);

// Checks that Dir\DestName is not blank and exists (else the destination-blank
// error naming Name), makes Dir current while Register runs and the previous
// directory current again afterwards.
void InSelfRegisterTarget(platform::TPlatform& Machine, const std::string& Dir,
                          const std::string& DestName, const std::string& Name,
                          TFunctionRef<void(const std::string& Target)> Register);

// The registration calls themselves on Target (Name names the install object
// in messages); all failures raise IECustomInstallFile. A server program runs
// as "<Target>" /REGSERVER, waited for up to Timeout; a non-zero exit code or
// no end in time fails.
void RegisterServerDll(platform::TPlatform& Machine, const std::string& Target,
                       const std::string& Name);
void RegisterTypeLib(platform::TPlatform& Machine, const std::string& Target,
                     const std::string& Name);
void RegisterServerExe(platform::TPlatform& Machine, const std::string& Target,
                       const std::string& Name, std::uint32_t Timeout = RegServerTimeout);

// Registers Dir\DestName the way SelfRegisterKindOf(FileName) says, inside
// InSelfRegisterTarget.
void SelfRegister(platform::TPlatform& Machine, const std::string& Dir, const std::string& DestName,
                  const std::string& FileName, const std::string& Name,
                  std::uint32_t ServerTimeout = RegServerTimeout);

// The uninstall log entry of one installed file at Target: "ActiveX" with its
// kind for a self-registering file, else the first usable "Files" key
// (bounded; EIRCannotWriteValue when none takes it). ProductKey is the
// product's key below HKEY_LOCAL_MACHINE (ProductKeyPath).
void WriteFileUninstallEntry(platform::IRegistry& Registry, const std::string& ProductKey,
                             const std::string& Target, const std::string& FileName, bool ActiveX);
// The same through Log, which keeps the log's key open for the next entry.
void WriteFileUninstallEntry(TUninstallLogWriter& Log, const std::string& ProductKey,
                             const std::string& Target, const std::string& FileName, bool ActiveX);

// What is left to do for a file that replaced its target at this start:
// self-registration (when ActiveX) and its attributes. Both are tried; the
// failures are reported together afterwards (IECustomInstallFile).
void CompleteFileAfterReboot(platform::TPlatform& Machine, const std::string& Dir,
                             const std::string& DestName, const std::string& FileName,
                             const std::string& Name, bool ActiveX,
                             platform::TFileAttributes Attributes);
// The same with the file's own registration (none when Register is empty).
void CompleteFileAfterReboot(platform::TPlatform& Machine, const std::string& Target,
                             TFunctionRef<void()> Register,
                             platform::TFileAttributes Attributes);

} // namespace quendel
