// Compressing the members of a long Add sequence ahead of the thread that
// writes the archive. A build adds its files one Add at a time; the zlib
// work of the next members runs meanwhile on worker threads, and the writer
// copies each finished member into the archive in its own order. The bytes
// are those of compressing inline: both paths run DeflateMember with the
// same level and the same input blocks.
#pragma once

#include "core/event.h"
#include "platform/files.h"
#include "platform/threads.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quendel {

// The size of the input and output blocks of every deflate in the archive.
inline constexpr std::size_t DeflateBlock = 65536;

// Deflates one member: Read fills up to DeflateBlock bytes (0 at the end),
// Write takes every output block, Block runs after each full output block
// with the input consumed so far.
void DeflateMember(int Level, TFunctionRef<std::size_t(std::uint8_t*, std::size_t)> Read,
                   TFunctionRef<void(const std::uint8_t*, std::size_t)> Write,
                   TFunctionRef<void(std::int64_t)> Block);

class TDeflateAhead {
public:
  // Members larger than this are left to the writer. The workers look at
  // most Window members ahead and hold members of at most WindowBytes of
  // input between them (at least one), so their memory stays bounded
  // whatever the sizes; a wide window keeps both busy while the writer
  // waits on one long member.
  static constexpr std::uint64_t MaxMemberBytes = 4u << 20;
  static constexpr std::size_t Window = 16;
  static constexpr std::uint64_t WindowBytes = 16u << 20;

  struct TDeflated {
    std::vector<std::uint8_t> Data;
    std::int64_t Consumed = 0;
  };

  // Paths: the sources in the order they are expected to be added. Files is
  // used from the constructing thread only (in Take); workers only read the
  // files it opened. Threads 0: one per processor, at least two.
  TDeflateAhead(platform::IFileSystem& Files, int Level, std::vector<std::string> Paths,
                unsigned Threads = 0);
  ~TDeflateAhead();
  TDeflateAhead(const TDeflateAhead&) = delete;
  TDeflateAhead& operator=(const TDeflateAhead&) = delete;

  // The member for Path compressed at Level, waiting for it when a worker is
  // on it. False when it was not planned (or at another level, or its source
  // could not be read): the caller compresses it itself. Members planned
  // before Path are dropped.
  bool Take(const std::string& Path, int Level, TDeflated& Out);
  // How many members were planned, and how many Take handed over.
  std::size_t Planned() const { return FSlots.size(); }
  std::size_t Taken();

private:
  enum TState { msPlanned, msOpen, msWorking, msDone, msFailed, msSkipped };
  struct TSlot {
    std::string Path;
    TState State = msPlanned;
    std::unique_ptr<platform::IFile> File;
    std::uint64_t Size = 0;
    TDeflated Result;
  };

  // Opens the sources of the window (on the constructing thread).
  void OpenWindow(platform::TLock& Lock);
  void Work();

  platform::IFileSystem& FFiles;
  const int FLevel;
  std::vector<TSlot> FSlots;
  std::size_t FCursor = 0; // the first slot not yet taken or dropped
  std::size_t FTaken = 0;
  bool FStop = false;
  platform::TMutex FMutex;
  platform::TCondition FChanged;
  std::vector<platform::TThread> FWorkers;
};

} // namespace quendel
