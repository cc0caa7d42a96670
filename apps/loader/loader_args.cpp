#include "loader_args.h"

namespace quendel::loader {

namespace {

char Upper(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

bool SameText(const char* A, const char* B) {
  for (; *A && *B; ++A, ++B)
    if (Upper(*A) != Upper(*B)) return false;
  return *A == *B;
}

bool StartsText(const char* Text, const char* Prefix) {
  for (; *Prefix; ++Text, ++Prefix)
    if (*Text == 0 || Upper(*Text) != Upper(*Prefix)) return false;
  return true;
}

} // namespace

const char* const UsageText =
    "Usage: setup.exe [/S | /SILENT] [/LOG=path] [*TODISK] [switches of the setup program]\n"
    "\n"
    "/S, /SILENT\tinstall without asking (the setup program's *q)\n"
    "/LOG=path\twrite a log of the installation to path (the setup program's *l)\n"
    "*TODISK\tcopy this installation onto floppy disks in drive A:\n"
    "/?\tshow this text\n"
    "\n"
    "Other arguments beginning with - or * are passed to the setup program unchanged.";

int SplitCommandLine(const char* Line, TText& Storage, const char* (&Args)[MaxArguments]) {
  Storage.Clear();
  const char* P = Line;
  // The program name ends at the next blank, or at the closing quote; no
  // backslash escapes apply to it.
  if (*P == '"') {
    ++P;
    while (*P && *P != '"') ++P;
    if (*P) ++P;
  } else {
    while (*P && *P != ' ' && *P != '\t') ++P;
  }
  // Offsets first: Storage may move while it grows.
  std::size_t Starts[MaxArguments];
  int Count = 0;
  for (;;) {
    while (*P == ' ' || *P == '\t') ++P;
    if (*P == 0) break;
    if (Count == MaxArguments) return -1;
    Starts[Count++] = Storage.Length();
    bool Quoted = false;
    while (*P && (Quoted || (*P != ' ' && *P != '\t'))) {
      if (*P == '\\') {
        std::size_t Slashes = 0;
        while (*P == '\\') {
          ++Slashes;
          ++P;
        }
        if (*P == '"') {
          for (std::size_t i = 0; i < Slashes / 2; ++i) Storage.Append('\\');
          if (Slashes % 2) {
            Storage.Append('"');
            ++P;
          }
        } else {
          for (std::size_t i = 0; i < Slashes; ++i) Storage.Append('\\');
        }
      } else if (*P == '"') {
        // Two quotes inside a quoted part stand for one quote.
        if (Quoted && P[1] == '"') {
          Storage.Append('"');
          P += 2;
        } else {
          Quoted = !Quoted;
          ++P;
        }
      } else {
        Storage.Append(*P++);
      }
    }
    Storage.Append('\0');
  }
  if (Storage.Failed()) return -1;
  for (int i = 0; i < Count; ++i) Args[i] = Storage.Get() + Starts[i];
  return Count;
}

void AppendQuoted(TText& Line, const char* Arg) {
  if (Line.Length() > 0) Line.Append(' ');
  bool NeedsQuotes = *Arg == 0;
  for (const char* P = Arg; *P; ++P)
    if (*P == ' ' || *P == '\t' || *P == '"') NeedsQuotes = true;
  if (!NeedsQuotes) {
    Line.Append(Arg);
    return;
  }
  Line.Append('"');
  for (const char* P = Arg;; ++P) {
    std::size_t Slashes = 0;
    while (*P == '\\') {
      ++Slashes;
      ++P;
    }
    if (*P == 0) {
      // Backslashes before the closing quote are doubled so that they stay backslashes.
      for (std::size_t i = 0; i < Slashes * 2; ++i) Line.Append('\\');
      break;
    }
    if (*P == '"') {
      for (std::size_t i = 0; i < Slashes * 2 + 1; ++i) Line.Append('\\');
    } else {
      for (std::size_t i = 0; i < Slashes; ++i) Line.Append('\\');
    }
    Line.Append(*P);
  }
  Line.Append('"');
}

void ParseLoaderArguments(int Count, const char* const* Args, TLoaderRequest& Request) {
  Request.Mode = TLoaderMode::Install;
  Request.Passed.Clear();
  bool Quiet = false;
  for (int i = 0; i < Count; ++i) {
    const char* A = Args[i];
    if (SameText(A, "/S") || SameText(A, "/SILENT")) {
      Quiet = true;
    } else if (StartsText(A, "/LOG=") && A[5] != 0) {
      Request.LogPath = A + 5;
    } else if (SameText(A, "*TODISK")) {
      if (Request.Mode == TLoaderMode::Install) Request.Mode = TLoaderMode::ToDisk;
    } else if (SameText(A, "/?")) {
      if (Request.Mode != TLoaderMode::BadArguments) Request.Mode = TLoaderMode::Usage;
    } else if (A[0] == 0 || A[1] == 0 || (A[0] != '-' && A[0] != '*')) {
      // Too short, not a switch, an unknown "/" switch or "/LOG" without a path.
      if (Request.Mode != TLoaderMode::BadArguments) {
        Request.Mode = TLoaderMode::BadArguments;
        Request.BadArgument = A;
      }
    } else {
      AppendQuoted(Request.Passed, A);
    }
  }
  Request.Silent = Quiet;
  // The setup program's own switches; they go first so that arguments
  // passed through can still add to them.
  TText Mapped;
  if (Quiet) AppendQuoted(Mapped, "*q");
  if (Request.LogPath) {
    TText Log;
    Log.Append("*l");
    Log.Append(Request.LogPath);
    AppendQuoted(Mapped, Log.Get());
    if (Log.Failed()) Request.Mode = TLoaderMode::BadArguments;
  }
  if (Request.Passed.Length() > 0) {
    if (Mapped.Length() > 0) Mapped.Append(' ');
    Mapped.Append(Request.Passed.Get());
  }
  Request.Passed.Assign(Mapped.Get());
  if (Mapped.Failed() || Request.Passed.Failed()) Request.Mode = TLoaderMode::BadArguments;
}

} // namespace quendel::loader
