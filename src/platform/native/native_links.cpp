#include "platform/native/native_links.h"

#include <cctype>
#include <string_view>
#include <vector>

#include "platform/shell_link_format.h"

namespace quendel::platform::native {

namespace {

constexpr TErrorCode HResultFromWin32(TErrorCode code) {
  return code == errSuccess ? errSuccess : (0x80070000u | (code & 0xFFFFu));
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::string ReadAll(IFileSystem& files, const std::string& path) {
  auto file = files.OpenRead(path);
  std::string text(static_cast<std::size_t>(file->Size()), '\0');
  if (!text.empty()) file->ReadExact(text.data(), text.size());
  return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// Whether line opens a section, and which.
bool SectionOf(const std::string& line, std::string_view& name) {
  const std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  const std::size_t close = t.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

// Whether line sets key, and the value it gives.
bool KeyOf(const std::string& line, std::string_view key, std::string_view& value) {
  const std::size_t eq = line.find('=');
  if (eq == std::string::npos || !SameText(Trim(std::string_view(line).substr(0, eq)), key))
    return false;
  value = Trim(std::string_view(line).substr(eq + 1));
  return true;
}

constexpr std::string_view kSection = "InternetShortcut";
constexpr std::string_view kKey = "URL";

} // namespace

void TNativeLinks::SaveShellLink(const std::string& linkFile, const TShellLink& link) {
  const std::string args = QuoteArg(linkFile);
  TLinkTargetInfo target;
  if (files_.FileExists(link.Path) || files_.DirectoryExists(link.Path)) {
    TFileAttributes attributes = 0;
    if (files_.TryGetAttributes(link.Path, attributes) == errSuccess) target.Attributes = attributes;
    try {
      target.Stamp = files_.GetStamp(link.Path);
      if ((attributes & faDirectory) == 0) target.Size = files_.OpenRead(link.Path)->Size();
    } catch (const EPlatformError&) {
      // The header's copy of the target's details is only a hint.
    }
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes = EncodeShellLink(link, target);
  } catch (const EShellLinkFormat& e) {
    throw EPlatformError("IShellLinkA::SetArguments", args + " (" + e.what() + ")", hrInvalidArg);
  }
  try {
    auto file = files_.Create(linkFile);
    file->Write(bytes.data(), bytes.size());
  } catch (const EPlatformError& e) {
    throw EPlatformError("IPersistFile::Save", args, HResultFromWin32(e.Code()));
  }
}

TShellLink TNativeLinks::LoadShellLink(const std::string& linkFile) {
  const std::string args = QuoteArg(linkFile);
  try {
    return ReadShellLinkFile(files_, linkFile);
  } catch (const EPlatformError& e) {
    throw EPlatformError("IPersistFile::Load", args, HResultFromWin32(e.Code()));
  } catch (const EShellLinkFormat& e) {
    throw EPlatformError("IPersistFile::Load", args + " (" + e.what() + ")", hrFail);
  }
}

void TNativeLinks::WriteInternetShortcut(const std::string& linkFile, const std::string& url) {
  const char* call = "WritePrivateProfileStringA";
  const std::string args = "\"InternetShortcut\", \"URL\", " + QuoteArg(url) + ", " + QuoteArg(linkFile);
  try {
    std::vector<std::string> lines;
    if (files_.FileExists(linkFile)) lines = SplitLines(ReadAll(files_, linkFile));
    const std::string entry = std::string(kKey) + "=" + url;
    bool inSection = false, done = false;
    std::size_t sectionEnd = lines.size(), sectionStart = lines.size();
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
      std::string_view name, value;
      if (SectionOf(lines[i], name)) {
        if (inSection) {
          sectionEnd = i;
          break;
        }
        inSection = SameText(name, kSection);
        if (inSection) sectionStart = i;
      } else if (inSection && KeyOf(lines[i], kKey, value)) {
        lines[i] = entry;
        done = true;
      }
    }
    if (!done) {
      if (sectionStart < lines.size()) {
        // After the section's last non-blank line, as Windows puts it.
        std::size_t at = sectionEnd;
        while (at > sectionStart + 1 && Trim(lines[at - 1]).empty()) --at;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
      } else {
        lines.push_back("[" + std::string(kSection) + "]");
        lines.push_back(entry);
      }
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    auto file = files_.Create(linkFile);
    file->Write(text.data(), text.size());
  } catch (const EPlatformError& e) {
    throw EPlatformError(call, args, e.Code());
  }
}

std::string TNativeLinks::ReadInternetShortcut(const std::string& linkFile) {
  const char* call = "GetPrivateProfileStringA";
  const std::string args = "\"InternetShortcut\", \"URL\", " + QuoteArg(linkFile);
  std::string text;
  try {
    text = ReadAll(files_, linkFile);
  } catch (const EPlatformError& e) {
    throw EPlatformError(call, args, e.Code());
  }
  bool inSection = false;
  for (const std::string& line : SplitLines(text)) {
    std::string_view name, value;
    if (SectionOf(line, name)) inSection = SameText(name, kSection);
    else if (inSection && KeyOf(line, kKey, value)) return std::string(value);
  }
  throw EPlatformError(call, args, errFileNotFound);
}

void TNativeLinks::MakeHardLink(const std::string& newName, const std::string& existing) {
  files_.CreateHardLink(newName, existing);
}

} // namespace quendel::platform::native
