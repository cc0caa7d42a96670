// The remote file list "filelist.lst" that a web build puts beside its
// archives: an Int32 count, then one 80-byte record per file:
//
//   0   4  Int32 uncompressed size
//   4   4  zero
//   8   8  double date (days since 30 December 1899, local time)
//   16 40  the install file's Name, zero-terminated and zero-filled
//   56 24  its version text, zero-terminated and zero-filled
//
// A field that does not fit is an error, never a silent cut: a cut name
// would match no install file, which would then get no version.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quendel::distribution {

constexpr int FileListRecordSize = 80;
constexpr int FileListNameCapacity = 39;    // characters before the terminating zero
constexpr int FileListVersionCapacity = 23; // characters before the terminating zero

struct TFileListRecord {
  std::int32_t Size = 0;
  double Date = 0;
  std::string Name;
  std::string Version;

  bool operator==(const TFileListRecord&) const = default;
};

// The bytes of the list, or false with Error naming the first file whose
// name or version does not fit (or whose size is negative).
bool EncodeFileList(const std::vector<TFileListRecord>& Records, std::vector<std::uint8_t>& Out,
                    std::string& Error);

// Reads a list. A negative count, a count the data cannot hold, a field
// without its terminating zero, a negative size or a date that is not a
// finite number fails with Error; Records is set only on success. Bytes
// after the last record are ignored.
bool DecodeFileList(const std::uint8_t* Data, std::size_t Length,
                    std::vector<TFileListRecord>& Records, std::string& Error);

} // namespace quendel::distribution
