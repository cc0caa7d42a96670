// What the archive layer keeps for the whole run: the file system archives
// are opened through, the message pump long loops call, and the one shared
// compressor that every install file extracts with. The run composes it into
// its context; a test makes a fresh one.
#pragma once

#include "archive/compress.h"
#include "archive/deflate_ahead.h"
#include "core/context.h"
#include "core/event.h"
#include "platform/files.h"

#include <memory>

namespace quendel {

class TArchiveContext {
public:
  static constexpr const char* ContextName = "archive context";
  // Callers of this layer catch its own family.
  using NoContextError = EQndlCompress;

  explicit TArchiveContext(platform::IFileSystem& Files) : FFiles(Files) {}
  TArchiveContext(const TArchiveContext&) = delete;
  TArchiveContext& operator=(const TArchiveContext&) = delete;

  platform::IFileSystem& Files() const { return FFiles; }
  // The shared compressor, made (without owner) on first use; it calls
  // ProcessMessages after every block.
  TQndlCompress& Compressor();
  // Frees the shared compressor now (the run does this at shutdown).
  void FreeCompressor() { FCompressor.reset(); }

  TEvent<void()> ProcessMessages;

  // The members being compressed ahead of the Adds that will take them (a
  // build sets it for its compression pass); null: every Add compresses
  // inline.
  TDeflateAhead* Ahead() const { return FAhead; }
  void SetAhead(TDeflateAhead* Value) { FAhead = Value; }

private:
  TDeflateAhead* FAhead = nullptr;
  platform::IFileSystem& FFiles;
  std::unique_ptr<TQndlCompress> FCompressor;
};

// Installs a context for its lifetime and restores the previous one after.
using TArchiveContextScope = TContextScope<TArchiveContext>;

// The context installed by the innermost live scope; raises EQndlCompress
// when there is none.
inline TArchiveContext& CurrentArchiveContext() {
  return TArchiveContextScope::Current();
}
inline bool HasArchiveContext() {
  return TArchiveContextScope::Installed() != nullptr;
}

} // namespace quendel
