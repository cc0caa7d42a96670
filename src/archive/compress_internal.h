// What the compressor's operations share: their messages, buffer sizes,
// the files an operation has open, and small helpers. Only the compressor's
// own sources include it.
#pragma once

#include "archive/compress.h"
#include "archive/errors.h"
#include "archive/file_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quendel::compress_detail {

inline constexpr const char* MsgOpenArchive = "Cannot open the compressed file %s";
inline constexpr const char* MsgWrongDisk = "Could not open the correct disk file %d";
inline constexpr const char* MsgReadHeaders =
    "Could not read the file headers for the compressed file. The Archive file could possible be "
    "corrupt";
inline constexpr const char* MsgWriteHeaders =
    "Could not write the file headers for the compressed file";
inline constexpr const char* MsgCreate = "Cannot create the file %s";
inline constexpr const char* MsgOpenFile = "Cannot open the file %s";
inline constexpr const char* MsgNotFound = "The file <%s> was not found in the archive <%s>";
inline constexpr const char* MsgCompare = "Error comparing file versions in TQndlCompress";
inline constexpr const char* MsgSizeMismatch =
    "The decompressed file's size does not match with the actual size of the file.  The file is %s";
inline constexpr const char* MsgSetDate = "Cannot set the date of the file just extracted.";
inline constexpr const char* MsgNoNewDisk =
    "There was no event handler for the OnNewDisk event, therefore no new disk could be inserted";
inline constexpr const char* MsgTooLittleSpace =
    "There is too little space on this disk to operate";
inline constexpr const char* MsgNoSuchIndex =
    "Tried to access the %dth file. This file is not defined";
inline constexpr const char* MsgAborted = "Operation aborted by user";
inline constexpr const char* MsgDiskFull = "The disk is full";
inline constexpr const char* MsgTooLarge =
    "The file %s is 2 GiB or larger; an archive holds only files smaller than 2 GiB";
inline constexpr const char* MsgArchiveTooLarge = "The archive %s would grow to 2 GiB or more";
inline constexpr const char* MsgAppendToSet =
    "Cannot add files to %s: it is the first volume of a volume set";
inline constexpr const char* MsgSplitSet = "Cannot split %s: it is a volume set already";
inline constexpr const char* MsgTooManyVolumes = "A volume set cannot have more than 255 volumes";

inline constexpr std::size_t DeflateBuffer = 65536;
inline constexpr std::size_t InflateInput = 65536;
// Each output block is one write to the extracted file and one progress
// event: large blocks keep a 40 MB install to a few hundred of each.
inline constexpr std::size_t InflateOutput = 65536;
inline constexpr std::size_t ChunkSize = 8192;

// Names a member may not be written under: those that leave the directory
// or name a device instead of a file.
bool IsUnsafeFileName(const std::string& Name);
// ".k", the extension of volume k.
std::string VolumeExt(int K);
// Reads until Count bytes came or the stream ends; the number read.
std::size_t ReadFull(TStream& S, void* Buffer, std::size_t Count);

// How much of a member's compressed bytes to read next: at most Capacity,
// and none once Left (the member's bytes not yet read) is used up.
inline std::size_t MemberBytesToRead(std::int64_t Left, std::size_t Capacity) {
  return Left <= 0 ? 0
                   : static_cast<std::size_t>(
                         std::min<std::int64_t>(Left, static_cast<std::int64_t>(Capacity)));
}

// One round of inflating: fills the output Z points at until it is full,
// the stream ends, or Read(Buffer, Capacity) has no more input for now
// (returns 0). Raises what zlib refuses; true when the stream has ended.
// The extraction inflating inline and the worker inflating ahead share it,
// so that both cut a member into the same blocks.
template <class TRead> bool InflateRound(z_stream& Z, std::vector<std::uint8_t>& In, TRead&& Read) {
  while (Z.avail_out > 0) {
    if (Z.avail_in == 0) {
      const std::size_t n = Read(In.data(), In.size());
      if (n == 0) return false;
      Z.next_in = In.data();
      Z.avail_in = static_cast<uInt>(n);
    }
    const int rc = inflate(&Z, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) return true;
    if (rc == Z_BUF_ERROR) return false;
    if (rc != Z_OK) throw EZlibError(Z.msg ? Z.msg : "inflate");
  }
  return false;
}

} // namespace quendel::compress_detail

namespace quendel {

// The files an operation has open; closed (and an unfinished target removed)
// on every way out.
struct TQndlCompress::TOpenFiles {
  std::unique_ptr<TPlatformFileStream> Archive; // the archive or current volume
  std::unique_ptr<TPlatformFileStream> Source;
  std::unique_ptr<TPlatformFileStream> Target;
  std::string TargetPath; // set while the target is incomplete
  platform::IFileSystem* Files = nullptr;

  void CloseAll() noexcept {
    Source.reset();
    Archive.reset();
    Target.reset();
    if (!TargetPath.empty() && Files) Files->TryRemoveFile(TargetPath);
    TargetPath.clear();
  }
  ~TOpenFiles() { CloseAll(); }
};

} // namespace quendel
