#include "archive/archive_context.h"

namespace quendel {

namespace {
// The innermost installed context; scopes nest and unwind in order.
TArchiveContext* Current = nullptr;
} // namespace

TQndlCompress& TArchiveContext::Compressor() {
  if (!FCompressor) {
    FCompressor = std::make_unique<TQndlCompress>(nullptr, &FFiles);
    FCompressor->ProcessMessages = [this] {
      if (ProcessMessages) ProcessMessages();
    };
  }
  return *FCompressor;
}

TArchiveContext& CurrentArchiveContext() {
  if (!Current) throw EQndlCompress("No archive context is installed");
  return *Current;
}

bool HasArchiveContext() {
  return Current != nullptr;
}

TArchiveContextScope::TArchiveContextScope(TArchiveContext& Context) : FPrevious(Current) {
  Current = &Context;
}

TArchiveContextScope::~TArchiveContextScope() {
  Current = FPrevious;
}

} // namespace quendel
