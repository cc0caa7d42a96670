// quendel archive list|add|extract|split: archives from the command line.
//
// Files are reached through the platform's file system. Natively its default
// drive map puts the host's "/" on Z:, so a host path is handed on as
// "Z:\dir\file" and a relative one as a relative Windows path against the
// current directory.
#include "cli_files.h"
#include "commands.h"

#include "archive/compress.h"
#include "core/dates.h"
#include "core/format.h"
#include "core/strings.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <stdexcept>

namespace quendel::cli {

namespace {

std::string DateText(TDateTime D) {
  int y, mo, d, h, mi, s, ms;
  try {
    DecodeDateTime(D, y, mo, d, h, mi, s, ms);
  } catch (const std::exception&) {
    return "(invalid date)";
  }
  return Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", {y, mo, d, h, mi, s});
}

const std::map<std::string, TCompressionLevel> Levels = {
    {"none", colNone}, {"fastest", colFastest}, {"default", colDefault}, {"max", colMax}};
const std::map<std::string, TOverwriteType> Policies = {{"always", owAlways},
                                                        {"never", owNever},
                                                        {"version", owVersion},
                                                        {"date", owDate},
                                                        {"versiondate", owVersionDate}};

// A damaged member surfaces from zlib as a bare "error": say what it means.
template <class F> void Explained(const std::string& Archive, F&& Body) {
  try {
    Body();
  } catch (const EZlibError& e) {
    throw std::runtime_error(Archive + ": the compressed data of a member is damaged (" +
                             e.Detail() + ")");
  }
}

struct TListOptions {
  std::string Archive;
  std::int32_t Offset = 0;
  bool Json = false;
};

void RunList(const TListOptions& O) {
  TAuthorRuntime& files = CurrentAuthorRuntime();
  TQndlCompress c(nullptr, &files.Files());
  c.SetCompressedFile(files.ToPlatform(O.Archive));
  c.SetOffset(O.Offset);
  Explained(O.Archive, [&] { c.Count(); });
  if (O.Json) std::cout << "[";
  int index = 0;
  c.OnListing = [&](TQndlCompress&, const TlzhFileStats& S) {
    const TFileHeaderRecord& h = S.Header;
    if (O.Json) {
      std::cout << (index ? ",\n " : "\n ") << "{\"index\": " << index
                << ", \"uniqueId\": " << h.UniqueID() << ", \"size\": " << h.UncompressedSize()
                << ", \"compressedSize\": " << h.CompressedSize() << ", \"date\": \""
                << DateText(h.FileDate()) << "\", \"version\": " << JsonString(h.FileVersion())
                << ", \"name\": " << JsonString(h.FileName())
                << ", \"startVolume\": " << int{h.StartVolume()}
                << ", \"endVolume\": " << int{h.EndVolume()} << "}";
    } else {
      std::cout << Format("%5d %5d %10d %10d  %s  %-15s  %s",
                          {index, h.UniqueID(), h.UncompressedSize(), h.CompressedSize(),
                           DateText(h.FileDate()), h.FileVersion(), ToConsole(h.FileName())})
                << "\n";
    }
    ++index;
  };
  c.List();
  if (O.Json) std::cout << (index ? "\n]\n" : "]\n");
}

struct TAddOptions {
  std::string Archive;
  std::vector<std::string> Files;
  bool Append = false;
  std::int32_t Id = 0;
  std::string Level = "max";
};

void RunAdd(const TAddOptions& O) {
  TAuthorRuntime& files = CurrentAuthorRuntime();
  TQndlCompress c(nullptr, &files.Files());
  c.SetCompressedFile(files.ToPlatform(O.Archive));
  c.SetCompressionLevel(Levels.at(O.Level));
  TProgress progress;
  c.OnStatus = [&](TQndlCompress&, const TlzhFileStats& S) {
    progress.Show(S.TotalPercent, S.FileName);
  };
  bool aborted = false;
  c.OnAborted = [&](TComponent*) { aborted = true; };
  // One file at a time, so that every member gets an identifier of its own:
  // the first --id, the next one above it, and so on.
  if (O.Id + static_cast<std::int64_t>(O.Files.size()) - 1 > 1999)
    throw std::runtime_error("--id " + std::to_string(O.Id) + " leaves no identifier for " +
                             std::to_string(O.Files.size()) + " files (the last is 1999)");
  for (std::size_t i = 0; i < O.Files.size() && !aborted; ++i) {
    TStrings list;
    list.Add(files.ToPlatform(O.Files[i]));
    c.SetFilesToProcess(list);
    const bool first = i == 0;
    c.Add(first && !O.Append ? lzcOverwrite : lzcOnlyAdd, O.Id + static_cast<std::int32_t>(i));
  }
  progress.Done();
  if (aborted) throw std::runtime_error("adding was cancelled");
}

struct TExtractOptions {
  std::string Archive;
  std::vector<std::string> Names;
  std::string Directory;
  std::string Overwrite = "always";
  std::int32_t Offset = 0;
};

void RunExtract(const TExtractOptions& O) {
  TAuthorRuntime& files = CurrentAuthorRuntime();
  TQndlCompress c(nullptr, &files.Files());
  c.SetCompressedFile(files.ToPlatform(O.Archive));
  c.SetOffset(O.Offset);
  c.SetOverwrite(Policies.at(O.Overwrite));
  c.SetExtractDirectory(files.ToPlatform(O.Directory));
  Explained(O.Archive, [&] { c.Count(); });
  const TFileHeaders& dir = c.Directory();
  TStrings wanted;
  if (O.Names.empty()) {
    for (int i = 0; i < dir.Count(); ++i)
      wanted.Add(dir.Item(i).Record.FileName());
  } else {
    for (const std::string& name : O.Names) {
      // The stored name, or failing that the one member with this file name.
      if (dir.FindByName(name) >= 0) {
        wanted.Add(name);
        continue;
      }
      std::vector<std::string> matches;
      for (int i = 0; i < dir.Count(); ++i)
        if (SameText(ExtractFileName(dir.Item(i).Record.FileName()), name))
          matches.push_back(dir.Item(i).Record.FileName());
      if (matches.size() > 1)
        throw std::runtime_error(Format("%s: %d members are named %s; give the stored name",
                                        {O.Archive, static_cast<int>(matches.size()), name}));
      wanted.Add(matches.empty() ? name : matches[0]);
    }
  }
  c.SetFilesToProcess(wanted);
  TProgress progress;
  c.OnStatus = [&](TQndlCompress&, const TlzhFileStats& S) {
    progress.Show(S.TotalPercent, S.FileName);
  };
  c.OnNewDisk = [&](TQndlCompress&, int Disk, std::string& Path) {
    progress.Done();
    throw std::runtime_error(Format("volume %d of the set is missing in %s", {Disk, Path}));
  };
  bool aborted = false;
  c.OnAborted = [&](TComponent*) { aborted = true; };
  Explained(O.Archive, [&] { c.Extract(); });
  progress.Done();
  if (aborted) throw std::runtime_error("extracting was cancelled");
}

struct TSplitOptions {
  std::string Archive;
  std::string Directory;
  std::int64_t VolumeSize = 1457664; // a 3.5" floppy disk
};

void RunSplit(const TSplitOptions& O) {
  if (O.VolumeSize < 8192 || O.VolumeSize > MaxArchiveBytes)
    throw std::runtime_error("--volume-size must lie between 8192 bytes and 2 GiB");
  TAuthorRuntime& files = CurrentAuthorRuntime();
  TQndlCompress c(nullptr, &files.Files());
  c.SetCompressedFile(files.ToPlatform(O.Archive));
  Explained(O.Archive, [&] { c.Count(); });
  c.VolumeCapacity = O.VolumeSize;
  const std::string first = ChangeFileExt(ExtractFileName(c.CompressedFile()), ".1");
  TProgress progress;
  c.OnStatus = [&](TQndlCompress&, const TlzhFileStats& S) {
    progress.Show(S.TotalPercent, S.FileName);
  };
  int volumes = 1;
  c.OnNewDisk = [&](TQndlCompress&, int Disk, std::string&) { volumes = Disk; };
  c.SplitToVolumes(files.ToPlatform(O.Directory), first);
  progress.Done();
  std::cout << Format("%d volume(s): %s", {volumes, ChangeFileExt(first, ".1")})
            << (volumes > 1
                    ? Format(" to %s",
                             {ChangeFileExt(first, std::string(1, '.').append(IntToStr(volumes)))})
                    : std::string())
            << "\n";
}

} // namespace

void AddArchiveCommands(CLI::App& App) {
  auto* archive = App.add_subcommand("archive", "List, add to, extract from and split archives");
  archive->require_subcommand(1);

  auto list = std::make_shared<TListOptions>();
  auto* l = archive->add_subcommand("list", "One line per member: index, unique id, size, "
                                            "compressed size, date, version, name");
  l->add_option("ARCHIVE", list->Archive, "The archive (or a file that carries one)")->required();
  l->add_option("--offset", list->Offset, "Where the archive starts inside the file")
      ->check(CLI::NonNegativeNumber);
  l->add_flag("--json", list->Json, "Print a JSON array");
  l->callback([list] { RunList(*list); });

  auto add = std::make_shared<TAddOptions>();
  auto* a = archive->add_subcommand("add", "Compress files into an archive");
  a->add_option("ARCHIVE", add->Archive, "The archive to write")->required();
  a->add_option("FILE", add->Files, "Files to add; each is stored under the name given")
      ->required();
  a->add_flag("--append", add->Append, "Add to the archive instead of making it anew");
  a->add_option(
       "--id", add->Id,
       "Unique identifier of the first new member; the next get the numbers above it (0..1999)")
      ->check(CLI::Range(0, 1999));
  a->add_option("--level", add->Level, "Compression level")
      ->check(CLI::IsMember({"none", "fastest", "default", "max"}));
  a->callback([add] { RunAdd(*add); });

  auto extract = std::make_shared<TExtractOptions>();
  auto* e = archive->add_subcommand("extract", "Extract members (all when none is named)");
  e->add_option("ARCHIVE", extract->Archive, "The archive, or the first volume of a set")
      ->required();
  e->add_option("NAME", extract->Names, "Members, by stored name or by file name");
  e->add_option("-C,--directory", extract->Directory, "Directory to extract into")->required();
  e->add_option("--overwrite", extract->Overwrite, "What to do with files that exist")
      ->check(CLI::IsMember({"always", "never", "version", "date", "versiondate"}));
  e->add_option("--offset", extract->Offset, "Where the archive starts inside the file")
      ->check(CLI::NonNegativeNumber);
  e->callback([extract] { RunExtract(*extract); });

  auto split = std::make_shared<TSplitOptions>();
  auto* s =
      archive->add_subcommand("split", "Write an archive as a volume set for removable disks");
  s->add_option("ARCHIVE", split->Archive, "The archive")->required();
  s->add_option("DIR", split->Directory, "Directory for the volumes NAME.1, NAME.2, ...")
      ->required();
  s->add_option("--volume-size", split->VolumeSize,
                "Capacity of each disk in bytes (default: 1457664, a 3.5\" floppy)");
  s->callback([split] { RunSplit(*split); });
}

} // namespace quendel::cli
