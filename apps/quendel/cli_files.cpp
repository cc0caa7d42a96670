#include "cli_files.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define QUENDEL_ISATTY _isatty
#define QUENDEL_FILENO _fileno
#else
#include <unistd.h>
#define QUENDEL_ISATTY isatty
#define QUENDEL_FILENO fileno
#endif

namespace quendel::cli {

TProgress::TProgress()
    : FTerminal(QUENDEL_ISATTY(QUENDEL_FILENO(stderr)) != 0),
      FStart(std::chrono::steady_clock::now()), FLast(FStart) {}

void TProgress::Show(int Percent, const std::string& Name) {
  if (!FTerminal) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - FStart < std::chrono::milliseconds(500)) return;
  if (FShown && now - FLast < std::chrono::milliseconds(100)) return;
  FLast = now;
  FShown = true;
  std::string n = Name;
  if (n.size() > 60) n = std::string("...").append(Name, Name.size() - 57, 57);
  std::fprintf(stderr, "\r%3d%% %-60s", Percent, n.c_str());
  std::fflush(stderr);
}

void TProgress::Done() {
  if (!FShown) return;
  std::fprintf(stderr, "\r%-66s\r", "");
  std::fflush(stderr);
  FShown = false;
}

namespace {

void AppendUtf8(std::string& Out, unsigned char U) {
  // Code page 1252's characters 0x80..0x9F; 0xFFFD where it has none.
  static const char16_t High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  if (U < 0x80) {
    Out += static_cast<char>(U);
    return;
  }
  const unsigned cp = U < 0xA0 ? High[U - 0x80] : U;
  if (cp < 0x800) {
    Out += static_cast<char>(0xC0 | (cp >> 6));
    Out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    Out += static_cast<char>(0xE0 | (cp >> 12));
    Out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

} // namespace

std::string ToConsole(const std::string& Ansi) {
#ifdef _WIN32
  return Ansi;
#else
  std::string out;
  for (char ch : Ansi)
    AppendUtf8(out, static_cast<unsigned char>(ch));
  return out;
#endif
}

std::string JsonString(const std::string& Ansi) {
  std::string out = "\"";
  for (char ch : Ansi) {
    const auto u = static_cast<unsigned char>(ch);
    if (u == '"' || u == '\\') {
      out += '\\';
      out += ch;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      AppendUtf8(out, u);
    }
  }
  return out + "\"";
}

} // namespace quendel::cli
