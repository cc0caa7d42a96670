// Stands in for the setup program in the loading program's tests: it
// reports how it was started (command line, its directory and the files
// there, its own file date) into the file named by QUENDEL_PROBE_OUT and
// ends with the exit code given in QUENDEL_PROBE_EXIT.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main() {
  const char* OutPath = std::getenv("QUENDEL_PROBE_OUT");
  if (OutPath == nullptr) return 99;
  std::FILE* Out = std::fopen(OutPath, "w");
  if (Out == nullptr) return 98;
  std::fprintf(Out, "cmdline=%s\n", GetCommandLineA());
  char Self[MAX_PATH];
  GetModuleFileNameA(nullptr, Self, MAX_PATH);
  char* Slash = std::strrchr(Self, '\\');
  *Slash = 0;
  std::fprintf(Out, "dir=%s\n", Self);
  char Pattern[MAX_PATH + 4];
  std::snprintf(Pattern, sizeof Pattern, "%s\\*", Self);
  WIN32_FIND_DATAA F;
  HANDLE Find = FindFirstFileA(Pattern, &F);
  std::fprintf(Out, "files=");
  if (Find != INVALID_HANDLE_VALUE) {
    do {
      if (F.cFileName[0] != '.') std::fprintf(Out, "%s;", F.cFileName);
    } while (FindNextFileA(Find, &F));
    FindClose(Find);
  }
  std::fprintf(Out, "\n");
  *Slash = '\\';
  WIN32_FILE_ATTRIBUTE_DATA A;
  if (GetFileAttributesExA(Self, GetFileExInfoStandard, &A)) {
    ULARGE_INTEGER T;
    T.LowPart = A.ftLastWriteTime.dwLowDateTime;
    T.HighPart = A.ftLastWriteTime.dwHighDateTime;
    std::fprintf(Out, "unixtime=%llu\n", (T.QuadPart - 116444736000000000ULL) / 10000000ULL);
  }
  std::fclose(Out);
  const char* Exit = std::getenv("QUENDEL_PROBE_EXIT");
  return Exit ? std::atoi(Exit) : 0;
}
