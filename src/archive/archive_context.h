// What the archive layer keeps for the whole run: the file system archives
// are opened through, the message pump long loops call, and the one shared
// compressor that every install file extracts with. The run composes it into
// its context; a test makes a fresh one.
#pragma once

#include "archive/compress.h"
#include "platform/files.h"

#include <functional>
#include <memory>

namespace quendel {

class TArchiveContext {
public:
  explicit TArchiveContext(platform::IFileSystem& Files) : FFiles(Files) {}
  TArchiveContext(const TArchiveContext&) = delete;
  TArchiveContext& operator=(const TArchiveContext&) = delete;

  platform::IFileSystem& Files() const { return FFiles; }
  // The shared compressor, made (without owner) on first use; it calls
  // ProcessMessages after every block.
  TQndlCompress& Compressor();
  // Frees the shared compressor now (the run does this at shutdown).
  void FreeCompressor() { FCompressor.reset(); }

  std::function<void()> ProcessMessages;

private:
  platform::IFileSystem& FFiles;
  std::unique_ptr<TQndlCompress> FCompressor;
};

// The context installed by the innermost live scope; raises EQndlCompress
// when there is none.
TArchiveContext& CurrentArchiveContext();
bool HasArchiveContext();

// Installs a context for its lifetime and restores the previous one after.
class TArchiveContextScope {
public:
  explicit TArchiveContextScope(TArchiveContext& Context);
  ~TArchiveContextScope();
  TArchiveContextScope(const TArchiveContextScope&) = delete;
  TArchiveContextScope& operator=(const TArchiveContextScope&) = delete;

private:
  TArchiveContext* FPrevious;
};

} // namespace quendel
