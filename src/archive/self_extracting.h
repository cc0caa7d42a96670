// The self-extracting setup file on disk: the loading program followed by
// the setup archive, the file archive and the 56-byte block that says where
// they lie (distribution/self_extract.h has the block's bytes).
#pragma once

#include "distribution/self_extract.h"
#include "platform/files.h"

#include <string>

namespace quendel {

// Appends SetupArchive and, when it exists, FileArchive to SetupFile, then a
// "SELFEXTRACTING" block with their positions. A setup file that would pass
// 2 GiB (beyond what the block's positions can address) fails before
// anything is written. Raises EQndlCompress.
distribution::TSelfExtractInfo MakeSelfExtractingFile(platform::IFileSystem& Files,
                                                      const std::string& SetupFile,
                                                      const std::string& SetupArchive,
                                                      const std::string& FileArchive);

// Appends a "NOTSELFEXTRACT" block: a setup file that carries no archives.
// Raises EQndlCompress "Cannot add the self-extract info header to %s".
void AppendNotSelfExtractBlock(platform::IFileSystem& Files, const std::string& SetupFile);

// Reads the block at the end of Path and checks every position against the
// file's size before returning it. Raises EQndlCompress "Could not read the
// extraction info from the archive file %s when trying to find the correct
// offset into the self extracting file" when the file cannot be read or the
// block is missing or impossible.
distribution::TSelfExtractInfo ReadSelfExtractInfo(platform::IFileSystem& Files,
                                                   const std::string& Path);

} // namespace quendel
