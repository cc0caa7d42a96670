#include "ui/rich_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quendel::ui {

namespace {

bool IsLetter(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}
bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}
int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// Groups whose text is never shown.
bool IsHiddenDestination(std::string_view Word) {
  static constexpr std::array<std::string_view, 20> kHidden = {
      "fonttbl", "colortbl", "stylesheet", "info",     "pict",      "object",   "fldinst",
      "header",  "footer",   "headerl",    "headerr",  "footerl",   "footerr",  "footnote",
      "listtable", "listoverridetable", "revtbl", "rsidtbl", "generator", "xmlnstbl"};
  return std::find(kHidden.begin(), kHidden.end(), Word) != kHidden.end();
}

struct TGroup {
  bool Hidden = false;
  int SkipAfterUnicode = 1; // \ucN: stand-in characters after a \uN
};

} // namespace

bool IsRichText(std::string_view Text) {
  std::size_t i = 0;
  while (i < Text.size() && (Text[i] == ' ' || Text[i] == '\t' || Text[i] == '\r' || Text[i] == '\n'))
    ++i;
  return Text.substr(i, 5) == "{\\rtf";
}

std::string RichTextToPlain(std::string_view Text) {
  std::string out;
  std::vector<TGroup> groups;
  TGroup state;
  bool started = false;
  int skip = 0; // stand-in characters still to drop after a \uN
  const auto emit = [&](char C) {
    if (state.Hidden) return;
    if (skip > 0) {
      --skip;
      return;
    }
    out += C;
  };
  std::size_t i = 0;
  const std::size_t n = Text.size();
  while (i < n) {
    const char c = Text[i];
    if (c == '{') {
      groups.push_back(state);
      started = true;
      skip = 0;
      ++i;
      continue;
    }
    if (c == '}') {
      if (groups.empty()) break;
      state = groups.back();
      groups.pop_back();
      skip = 0;
      ++i;
      if (groups.empty()) break; // the document's own group ended
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i; // line breaks of the source mean nothing
      continue;
    }
    if (c != '\\') {
      if (started) emit(c);
      ++i;
      continue;
    }
    // A control symbol or a control word.
    if (i + 1 >= n) break;
    const char s = Text[i + 1];
    if (!IsLetter(s)) {
      i += 2;
      switch (s) {
      case '\\':
      case '{':
      case '}':
        emit(s);
        break;
      case '~':
        emit(' ');
        break;
      case '_':
        emit('-');
        break;
      case '*':
        // An optional destination: shown only by readers that know it.
        state.Hidden = true;
        break;
      case '\'':
        if (i + 1 < n && HexValue(Text[i]) >= 0 && HexValue(Text[i + 1]) >= 0) {
          emit(static_cast<char>(HexValue(Text[i]) * 16 + HexValue(Text[i + 1])));
          i += 2;
        } else if (i < n && HexValue(Text[i]) >= 0) {
          ++i; // half a character: nothing to show
        }
        break;
      case '\r':
      case '\n':
        emit('\r');
        emit('\n');
        break;
      default:
        break; // \- (optional hyphen), \| and the rest show nothing
      }
      continue;
    }
    std::size_t j = i + 1;
    while (j < n && IsLetter(Text[j]) && j - i < 33) ++j;
    const std::string_view word = Text.substr(i + 1, j - i - 1);
    bool hasParam = false, negative = false;
    std::int64_t param = 0;
    if (j < n && Text[j] == '-' && j + 1 < n && IsDigit(Text[j + 1])) negative = true, ++j;
    while (j < n && IsDigit(Text[j])) {
      hasParam = true;
      if (param < 100000000) param = param * 10 + (Text[j] - '0');
      ++j;
    }
    if (negative) param = -param;
    if (j < n && Text[j] == ' ') ++j; // the delimiting space belongs to the word
    i = j;
    if (word == "par" || word == "line" || word == "row") {
      emit('\r');
      emit('\n');
    } else if (word == "tab" || word == "cell") {
      emit('\t');
    } else if (word == "emdash" || word == "endash") {
      emit('-');
    } else if (word == "lquote" || word == "rquote") {
      emit('\'');
    } else if (word == "ldblquote" || word == "rdblquote") {
      emit('"');
    } else if (word == "bullet") {
      emit('\x95');
    } else if (word == "uc" && hasParam) {
      state.SkipAfterUnicode = static_cast<int>(std::clamp<std::int64_t>(param, 0, 10));
    } else if (word == "u" && hasParam) {
      const std::int64_t code = param < 0 ? param + 65536 : param;
      emit(code >= 0 && code <= 255 ? static_cast<char>(code) : '?');
      skip = state.SkipAfterUnicode;
    } else if (word == "bin" && hasParam) {
      // Binary data of that many bytes: never text.
      i += static_cast<std::size_t>(std::clamp<std::int64_t>(param, 0, static_cast<std::int64_t>(n - i)));
    } else if (IsHiddenDestination(word)) {
      state.Hidden = true;
    }
  }
  // Trailing paragraph marks add nothing but an empty last line.
  while (out.size() >= 2 && out[out.size() - 2] == '\r' && out.back() == '\n')
    out.resize(out.size() - 2);
  return out;
}

} // namespace quendel::ui
