// QuendelLoadProgram.exe, which the build turns into setup.exe by appending
// the setup archive, the file archive and the 56-byte block that says where
// they lie. It unpacks the setup program and its pre-setup files into a
// fresh directory under the temporary directory, starts the setup program
// there with -e (this file's name), -s (this file's directory) and -c,
// waits for it and returns its exit code.
//
// Kept small on purpose: Win32 and the C library only, no C++ library.
//
// Exit codes of its own (when the setup program never ran): 2 bad
// arguments, 3 a damaged or truncated setup file, 4 the files could not be
// unpacked, 5 the setup program could not be started.
#include "distribution/self_extract.h"
#include "loader_args.h"
#include "setup_archive.h"

#include <windows.h>

#include <cstring>

using namespace quendel;
using namespace quendel::loader;

namespace {

constexpr int ExitBadArguments = 2;
constexpr int ExitDamaged = 3;
constexpr int ExitCannotUnpack = 4;
constexpr int ExitCannotStart = 5;

const char Title[] = "Setup";

struct TState {
  bool Silent = false;
  const char* LogPath = nullptr;
};
TState State;

// Appends one line to the log the user asked for; failures are ignored (the
// message box, or the exit code in silent mode, still tells).
void LogLine(const char* Text) {
  if (State.LogPath == nullptr) return;
  HANDLE H = CreateFileA(State.LogPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) return;
  TText Line;
  Line.Append("setup.exe: ");
  Line.Append(Text);
  Line.Append("\r\n");
  DWORD Done = 0;
  WriteFile(H, Line.Get(), static_cast<DWORD>(Line.Length()), &Done, nullptr);
  CloseHandle(H);
}

// A message box, with user32 loaded only for it: linking user32 would make
// every start pay for its initialisation (the window station, the desktop,
// the input method), although the box is shown only when something fails.
void ShowMessage(const char* Text, UINT Style) {
  using TMessageBoxA = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
  HMODULE User = LoadLibraryA("user32.dll");
  if (User == nullptr) return;
  auto* Box = reinterpret_cast<TMessageBoxA>(
      reinterpret_cast<void*>(GetProcAddress(User, "MessageBoxA")));
  if (Box != nullptr) Box(nullptr, Text, Title, Style);
}

int Fail(int Code, const char* Text) {
  LogLine(Text);
  if (!State.Silent) ShowMessage(Text, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  return Code;
}

// Text with one %s filled in.
void Format(TText& Out, const char* Pattern, const char* Arg) {
  const char* At = std::strstr(Pattern, "%s");
  Out.Append(Pattern, static_cast<std::size_t>(At - Pattern));
  Out.Append(Arg);
  Out.Append(At + 2);
}

bool ReadAt(void* Context, std::uint64_t Position, void* Buffer, std::uint32_t Count) {
  HANDLE H = static_cast<HANDLE>(Context);
  LARGE_INTEGER To;
  To.QuadPart = static_cast<LONGLONG>(Position);
  if (!SetFilePointerEx(H, To, nullptr, FILE_BEGIN)) return false;
  auto* P = static_cast<char*>(Buffer);
  while (Count > 0) {
    DWORD Done = 0;
    if (!ReadFile(H, P, Count, &Done, nullptr) || Done == 0) return false;
    P += Done;
    Count -= Done;
  }
  return true;
}

bool WriteOut(void* Context, const void* Buffer, std::uint32_t Count) {
  DWORD Done = 0;
  return WriteFile(static_cast<HANDLE>(Context), Buffer, Count, &Done, nullptr) && Done == Count;
}

// The stored date (local days since 30 December 1899) as the file's UTC
// stamp, with the zone offset of that date, so that the setup program finds
// the same date on every run and recognises its install record.
bool DateToFileTime(double Date, FILETIME& Out) {
  if (!(Date > -109205.0 && Date < 2958466.0)) return false;
  const double Ms = (Date + 109205.0) * 86400000.0 + 0.5;
  const ULONGLONG Ticks = static_cast<ULONGLONG>(Ms) * 10000ULL;
  FILETIME Local;
  Local.dwLowDateTime = static_cast<DWORD>(Ticks);
  Local.dwHighDateTime = static_cast<DWORD>(Ticks >> 32);
  SYSTEMTIME LocalTime, Utc;
  return FileTimeToSystemTime(&Local, &LocalTime) &&
         TzSpecificLocalTimeToSystemTime(nullptr, &LocalTime, &Utc) &&
         SystemTimeToFileTime(&Utc, &Out);
}

// Deletes everything below Dir and Dir itself; errors are ignored.
void RemoveTree(const char* Dir, int Depth) {
  if (Depth > 16) return;
  TText Pattern;
  Pattern.Append(Dir);
  Pattern.Append("\\*");
  WIN32_FIND_DATAA F;
  HANDLE Find = FindFirstFileA(Pattern.Get(), &F);
  if (Find != INVALID_HANDLE_VALUE) {
    do {
      if (std::strcmp(F.cFileName, ".") == 0 || std::strcmp(F.cFileName, "..") == 0) continue;
      TText Path;
      Path.Append(Dir);
      Path.Append('\\');
      Path.Append(F.cFileName);
      if (F.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(Path.Get(), Depth + 1);
      } else {
        SetFileAttributesA(Path.Get(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(Path.Get());
      }
    } while (FindNextFileA(Find, &F));
    FindClose(Find);
  }
  RemoveDirectoryA(Dir);
}

bool ContainsText(const char* Text, const char* Part) {
  const std::size_t N = std::strlen(Part);
  for (; *Text; ++Text)
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, Text,
                       static_cast<int>(strnlen(Text, N)), Part, static_cast<int>(N)) ==
        CSTR_EQUAL)
      return true;
  return false;
}

// True when a RunOnce command names Dir: the setup program arranged to go
// on from there after a reboot, so its files must stay.
bool NeededAfterReboot(const char* Dir) {
  static const HKEY Roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
  for (HKEY Root : Roots) {
    HKEY Key;
    if (RegOpenKeyExA(Root, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0,
                      KEY_QUERY_VALUE, &Key) != ERROR_SUCCESS)
      continue;
    bool Found = false;
    for (DWORD i = 0; !Found; ++i) {
      char Name[256];
      static char Data[4096];
      DWORD NameLength = sizeof Name, DataLength = sizeof Data - 1, Type = 0;
      LONG R = RegEnumValueA(Key, i, Name, &NameLength, nullptr, &Type,
                             reinterpret_cast<BYTE*>(Data), &DataLength);
      if (R == ERROR_NO_MORE_ITEMS) break;
      if (R != ERROR_SUCCESS || (Type != REG_SZ && Type != REG_EXPAND_SZ)) continue;
      Data[DataLength] = 0;
      Found = ContainsText(Data, Dir);
    }
    RegCloseKey(Key);
    if (Found) return true;
  }
  return false;
}

// A new directory under the temporary directory, made atomically.
bool MakeTempDirectory(TText& Dir) {
  char Temp[MAX_PATH + 1];
  const DWORD N = GetTempPathA(sizeof Temp, Temp);
  if (N == 0 || N >= sizeof Temp) return false;
  if (Temp[N - 1] == '\\') Temp[N - 1] = 0;
  DWORD Seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (int Try = 0; Try < 1000; ++Try) {
    // "\qndXXXXXXXX.tmp"; formatted by hand, printf would double the program's size.
    char Name[] = "\\qnd00000000.tmp";
    const DWORD Value = Seed + static_cast<DWORD>(Try);
    for (int i = 0; i < 8; ++i) Name[4 + i] = "0123456789ABCDEF"[(Value >> (28 - 4 * i)) & 15];
    Dir.Assign(Temp);
    Dir.Append(Name);
    if (Dir.Failed()) return false;
    if (CreateDirectoryA(Dir.Get(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

int Run() {
  TText Storage;
  const char* Args[MaxArguments];
  const int Count = SplitCommandLine(GetCommandLineA(), Storage, Args);
  TLoaderRequest Request;
  if (Count < 0) {
    Request.Mode = TLoaderMode::BadArguments;
  } else {
    ParseLoaderArguments(Count, Args, Request);
  }
  State.Silent = Request.Silent;
  State.LogPath = Request.LogPath;
  if (Request.Mode == TLoaderMode::Usage) {
    if (!State.Silent) ShowMessage(UsageText, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  if (Request.Mode == TLoaderMode::BadArguments) {
    TText Text;
    if (Request.BadArgument) {
      Text.Append("Invalid argument <");
      Text.Append(Request.BadArgument);
      Text.Append(">.\n\n");
    }
    Text.Append(UsageText);
    return Fail(ExitBadArguments, Text.Get());
  }

  char Self[MAX_PATH + 1];
  const DWORD SelfLength = GetModuleFileNameA(nullptr, Self, sizeof Self);
  if (SelfLength == 0 || SelfLength >= sizeof Self)
    return Fail(ExitDamaged, "Cannot find the path of this setup program.");
  char SelfDir[MAX_PATH + 1];
  std::memcpy(SelfDir, Self, SelfLength + 1);
  char* Slash = std::strrchr(SelfDir, '\\');
  if (Slash == nullptr) return Fail(ExitDamaged, "Cannot find the path of this setup program.");
  *Slash = 0;
  const char* SelfName = Slash + 1;
  const char* SelfNameInPath = Self + (SelfName - SelfDir);

  TText Message;
  Format(Message,
         "Could not read the extraction info from the archive file %s when trying to find the "
         "correct offset into the self extracting file",
         Self);
  HANDLE File = CreateFileA(Self, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return Fail(ExitDamaged, Message.Get());
  LARGE_INTEGER Size;
  std::uint8_t Block[distribution::SelfExtractBlockSize];
  distribution::TSelfExtractInfo Info;
  // A signed setup file keeps the block before its certificate table.
  static std::uint8_t Head[4096];
  bool Found = false;
  if (GetFileSizeEx(File, &Size) && Size.QuadPart >= distribution::SelfExtractBlockSize) {
    const std::int64_t HeadLength = Size.QuadPart < 4096 ? Size.QuadPart : 4096;
    std::int64_t Ends[distribution::MaxBlockEnds];
    const int Count =
        ReadAt(File, 0, Head, static_cast<std::uint32_t>(HeadLength))
            ? distribution::SelfExtractBlockEnds(Head, HeadLength, Size.QuadPart, Ends)
            : 0;
    for (int i = 0; i < Count && !Found; ++i)
      Found = Ends[i] >= distribution::SelfExtractBlockSize &&
              ReadAt(File, static_cast<std::uint64_t>(Ends[i]) - sizeof Block, Block,
                     sizeof Block) &&
              distribution::DecodeSelfExtractBlock(Block, Ends[i], Info) ==
                  distribution::TBlockCheck::Ok;
  }
  if (!Found) {
    CloseHandle(File);
    return Fail(ExitDamaged, Message.Get());
  }
  // A "NOTSELFEXTRACT" block (a floppy set, a build without the archives
  // appended): the setup archive is the "setup.1" beside this file, whole,
  // and the setup program finds "files.1" in the same directory.
  const bool Beside = !Info.SelfExtracting;
  if (Beside) {
    CloseHandle(File);
    TText Setup1;
    Setup1.Append(SelfDir);
    Setup1.Append("\\setup.1");
    File = CreateFileA(Setup1.Get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER Setup1Size;
    if (Setup1.Failed() || File == INVALID_HANDLE_VALUE) {
      TText Text;
      Format(Text, "Cannot open the setup file %s.", Setup1.Get());
      return Fail(ExitDamaged, Text.Get());
    }
    if (!GetFileSizeEx(File, &Setup1Size) || Setup1Size.QuadPart <= 0 ||
        Setup1Size.QuadPart > 0x7FFFFFFF) {
      CloseHandle(File);
      TText Text;
      Format(Text, "The setup file %s is damaged or incomplete. Please obtain a new copy of it "
                   "and run it again.", Setup1.Get());
      return Fail(ExitDamaged, Text.Get());
    }
    Info.SetupStart = 0;
    Info.SetupEnd = static_cast<decltype(Info.SetupEnd)>(Setup1Size.QuadPart - 1);
  }

  TText Damaged;
  Format(Damaged,
         "The setup file %s is damaged or incomplete. Please obtain a new copy of it and run it "
         "again.",
         Self);
  TSetupArchive Archive(ReadAt, File, static_cast<std::uint64_t>(Info.SetupStart),
                        static_cast<std::uint64_t>(Info.SetupEnd) - Info.SetupStart + 1);
  if (Archive.Open() != TArchiveResult::Ok) {
    CloseHandle(File);
    return Fail(ExitDamaged, Damaged.Get());
  }
  TText Dir;
  if (!MakeTempDirectory(Dir)) {
    CloseHandle(File);
    return Fail(ExitCannotUnpack,
                "Cannot create a directory for the setup files in the temporary directory.");
  }
  TText Program;
  int Code = 0;
  for (int i = 0; i < Archive.Count() && Code == 0; ++i) {
    TArchiveMember Member;
    TText Target;
    if (Archive.Next(Member) != TArchiveResult::Ok || !IsPlainFileName(Member.Name)) {
      Code = Fail(ExitDamaged, Damaged.Get());
      break;
    }
    Target.Append(Dir.Get());
    Target.Append('\\');
    Target.Append(Member.Name);
    if (i == 0) Program.Assign(Target.Get());
    // CREATE_NEW: two members of one name would otherwise overwrite each other.
    HANDLE Out = CreateFileA(Target.Get(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Target.Failed() || Out == INVALID_HANDLE_VALUE) {
      TText Text;
      Format(Text, "Cannot create the setup file %s.", Target.Get());
      Code = Fail(ExitCannotUnpack, Text.Get());
      break;
    }
    const TArchiveResult R = Archive.Extract(Member, WriteOut, Out);
    FILETIME Stamp;
    if (R == TArchiveResult::Ok && DateToFileTime(Member.Date, Stamp))
      SetFileTime(Out, nullptr, nullptr, &Stamp);
    CloseHandle(Out);
    if (R == TArchiveResult::Damaged) {
      Code = Fail(ExitDamaged, Damaged.Get());
    } else if (R != TArchiveResult::Ok) {
      TText Text;
      Format(Text, "Cannot write the setup file %s. The disk may be full.", Target.Get());
      Code = Fail(ExitCannotUnpack, Text.Get());
    }
  }
  CloseHandle(File);
  if (Code != 0) {
    RemoveTree(Dir.Get(), 0);
    return Code;
  }

  // The setup program's command line: -e the name of this file, -s its
  // directory, -c to have the unpacked files removed, then the user's.
  TText Line, Arg;
  AppendQuoted(Line, Program.Get());
  if (Request.Mode == TLoaderMode::ToDisk) AppendQuoted(Line, "-f");
  // Without archives of its own this file is no self-extracting file: the
  // setup program reads "files.1" from the directory given by -s.
  if (!Beside) {
    Arg.Assign("-e");
    Arg.Append(SelfNameInPath);
    AppendQuoted(Line, Arg.Get());
  }
  Arg.Assign("-s");
  Arg.Append(SelfDir);
  AppendQuoted(Line, Arg.Get());
  AppendQuoted(Line, "-c");
  if (Request.Passed.Length() > 0) {
    Line.Append(' ');
    Line.Append(Request.Passed.Get());
  }
  STARTUPINFOA Startup;
  std::memset(&Startup, 0, sizeof Startup);
  Startup.cb = sizeof Startup;
  PROCESS_INFORMATION Process;
  // CreateProcessA may write into the command line.
  TText Writable;
  Writable.Assign(Line.Get());
  if (Line.Failed() || Writable.Failed() ||
      !CreateProcessA(Program.Get(), const_cast<char*>(Writable.Get()), nullptr, nullptr, FALSE, 0,
                      nullptr, Dir.Get(), &Startup, &Process)) {
    TText Text;
    Format(Text, "Cannot start the setup program %s.", Program.Get());
    Code = Fail(ExitCannotStart, Text.Get());
    RemoveTree(Dir.Get(), 0);
    return Code;
  }
  CloseHandle(Process.hThread);
  WaitForSingleObject(Process.hProcess, INFINITE);
  DWORD Exit = 0;
  if (!GetExitCodeProcess(Process.hProcess, &Exit)) Exit = ExitCannotStart;
  CloseHandle(Process.hProcess);
  // The setup program removes its files itself; what it could not remove
  // (itself, while it ran) goes now, unless it is to go on after a reboot.
  // The ended process's handles on the directory (its working directory)
  // may close a moment after its handle is signalled, so the removal is
  // tried again for a short while.
  if (!NeededAfterReboot(Dir.Get()))
    for (int Try = 0; Try < 40; ++Try) {
      RemoveTree(Dir.Get(), 0);
      if (GetFileAttributesA(Dir.Get()) == INVALID_FILE_ATTRIBUTES) break;
      Sleep(50);
    }
  return static_cast<int>(Exit);
}

} // namespace

// The program starts here, without the C runtime's start-up code (which
// would add a fifth to its size for nothing it uses): msvcrt.dll initialises
// itself, and nothing here has static constructors.
extern "C" void LoaderEntry() { ExitProcess(static_cast<UINT>(Run())); }
