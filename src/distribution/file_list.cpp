#include "distribution/file_list.h"

#include <cmath>
#include <cstring>

namespace quendel::distribution {

namespace {

void PutInt(std::uint8_t* At, std::int32_t V) {
  auto U = static_cast<std::uint32_t>(V);
  for (int i = 0; i < 4; ++i) At[i] = static_cast<std::uint8_t>(U >> (8 * i));
}

std::int32_t GetInt(const std::uint8_t* At) {
  std::uint32_t U = 0;
  for (int i = 0; i < 4; ++i) U |= static_cast<std::uint32_t>(At[i]) << (8 * i);
  return static_cast<std::int32_t>(U);
}

void PutDouble(std::uint8_t* At, double V) {
  std::uint64_t U;
  std::memcpy(&U, &V, 8);
  for (int i = 0; i < 8; ++i) At[i] = static_cast<std::uint8_t>(U >> (8 * i));
}

double GetDouble(const std::uint8_t* At) {
  std::uint64_t U = 0;
  for (int i = 0; i < 8; ++i) U |= static_cast<std::uint64_t>(At[i]) << (8 * i);
  double V;
  std::memcpy(&V, &U, 8);
  return V;
}

// A zero-terminated field of Width bytes; false when no zero ends it.
bool GetText(const std::uint8_t* At, int Width, std::string& Out) {
  const void* End = std::memchr(At, 0, static_cast<std::size_t>(Width));
  if (End == nullptr) return false;
  Out.assign(reinterpret_cast<const char*>(At), static_cast<const std::uint8_t*>(End) - At);
  return true;
}

} // namespace

bool EncodeFileList(const std::vector<TFileListRecord>& Records, std::vector<std::uint8_t>& Out,
                    std::string& Error) {
  constexpr std::size_t MaxRecords = (0x7FFFFFFF - 4) / FileListRecordSize;
  if (Records.size() > MaxRecords) {
    Error = "The file list cannot hold " + std::to_string(Records.size()) + " files";
    return false;
  }
  std::vector<std::uint8_t> Bytes(4 + Records.size() * FileListRecordSize, 0);
  PutInt(Bytes.data(), static_cast<std::int32_t>(Records.size()));
  std::uint8_t* At = Bytes.data() + 4;
  for (const TFileListRecord& R : Records) {
    if (R.Name.empty() || R.Name.size() > FileListNameCapacity ||
        R.Name.find('\0') != std::string::npos) {
      Error = "The name of the file " + R.Name + " does not fit the file list (1 to " +
              std::to_string(FileListNameCapacity) + " characters)";
      return false;
    }
    if (R.Version.size() > FileListVersionCapacity || R.Version.find('\0') != std::string::npos) {
      Error = "The version " + R.Version + " of the file " + R.Name +
              " does not fit the file list (at most " + std::to_string(FileListVersionCapacity) +
              " characters)";
      return false;
    }
    if (R.Size < 0) {
      Error = "The file " + R.Name + " has a negative size";
      return false;
    }
    PutInt(At, R.Size);
    PutDouble(At + 8, R.Date);
    std::memcpy(At + 16, R.Name.data(), R.Name.size());
    std::memcpy(At + 56, R.Version.data(), R.Version.size());
    At += FileListRecordSize;
  }
  Out = std::move(Bytes);
  return true;
}

bool DecodeFileList(const std::uint8_t* Data, std::size_t Length,
                    std::vector<TFileListRecord>& Records, std::string& Error) {
  if (Length < 4) {
    Error = "The file list is shorter than its count";
    return false;
  }
  const std::int32_t Count = GetInt(Data);
  if (Count < 0 || static_cast<std::uint64_t>(Count) > (Length - 4) / FileListRecordSize) {
    Error = "The file list claims " + std::to_string(Count) + " files but holds " +
            std::to_string((Length - 4) / FileListRecordSize);
    return false;
  }
  std::vector<TFileListRecord> Read(static_cast<std::size_t>(Count));
  const std::uint8_t* At = Data + 4;
  for (std::int32_t i = 0; i < Count; ++i, At += FileListRecordSize) {
    TFileListRecord& R = Read[static_cast<std::size_t>(i)];
    R.Size = GetInt(At);
    R.Date = GetDouble(At + 8);
    const std::string Which = "record " + std::to_string(i + 1) + " of the file list";
    if (!GetText(At + 16, FileListNameCapacity + 1, R.Name) || R.Name.empty()) {
      Error = "The name in " + Which + " is blank or not terminated";
      return false;
    }
    if (!GetText(At + 56, FileListVersionCapacity + 1, R.Version)) {
      Error = "The version in " + Which + " is not terminated";
      return false;
    }
    if (R.Size < 0 || !std::isfinite(R.Date)) {
      Error = "The size or date in " + Which + " (" + R.Name + ") is impossible";
      return false;
    }
  }
  Records = std::move(Read);
  return true;
}

} // namespace quendel::distribution
