// Errors of the archive layer.
#pragma once

#include "core/exceptions.h"

namespace quendel {

// Every failure of the compressor and of the archive format.
QUENDEL_EXCEPTION(EQndlCompress, EQuendelAbnormal);
// A write fell short and nobody handles a full disk.
QUENDEL_EXCEPTION(EqcDiskFull, EQndlCompress);
// The running operation saw Abort set; the compressor turns it into OnAborted.
QUENDEL_EXCEPTION(EqcAborted, EQndlCompress);

// zlib refused a stream (a damaged member). Carries the plain text "error";
// the detail zlib gave is kept apart for tools that want to show it.
class EZlibError : public Exception {
public:
  explicit EZlibError(std::string Detail) : Exception("error"), FDetail(std::move(Detail)) {}
  const std::string& Detail() const { return FDetail; }

private:
  std::string FDetail;
};

} // namespace quendel
