// The loading program's command line: splitting it the way the C runtime
// does, turning the conventional switches users type at setup.exe into the
// setup program's own, and quoting arguments for the child's command line.
#pragma once

#include "text.h"

namespace quendel::loader {

// At most this many arguments are taken from a command line.
constexpr int MaxArguments = 64;

// Splits Line as the Microsoft C runtime does (quotes group, backslashes
// escape quotes only when they precede one). Line is the whole command line,
// program name first; the program name is skipped. Returns the number of
// arguments, or -1 when there are more than MaxArguments. Each argument is a
// zero-terminated text inside Storage.
int SplitCommandLine(const char* Line, TText& Storage, const char* (&Args)[MaxArguments]);

// Appends Arg to Line as one argument that the C runtime splits back to Arg.
void AppendQuoted(TText& Line, const char* Arg);

enum class TLoaderMode {
  Install, // extract and run the setup program
  ToDisk,  // extract and let the setup program copy the installation to floppies
  Usage,   // the user asked for the usage text
  BadArguments,
};

struct TLoaderRequest {
  TLoaderMode Mode = TLoaderMode::Install;
  bool Silent = false;
  const char* LogPath = nullptr; // points into the arguments; null without /LOG=
  const char* BadArgument = nullptr;
  // Arguments for the setup program after its -e, -s and -c, already mapped.
  TText Passed;
};

// Reads the user's arguments: "/S" and "/SILENT" become "*q", "/LOG=path"
// "*lpath" (switch names without regard to case), "*TODISK" asks for the
// floppy transfer, "/?" for the usage text; everything else that looks like
// a switch ("-x", "*x") passes through unchanged. An argument of fewer than
// two characters, one that starts with neither "-", "*" nor "/", an unknown
// "/" switch and "/LOG" without a path are bad.
void ParseLoaderArguments(int Count, const char* const* Args, TLoaderRequest& Request);

// The text shown for "/?" and for bad arguments.
extern const char* const UsageText;

} // namespace quendel::loader
