#include "archive/archive_context.h"

namespace quendel {

TQndlCompress& TArchiveContext::Compressor() {
  if (!FCompressor) {
    FCompressor = std::make_unique<TQndlCompress>(nullptr, &FFiles);
    FCompressor->ProcessMessages = [this] {
      if (ProcessMessages) ProcessMessages();
    };
  }
  return *FCompressor;
}

} // namespace quendel
