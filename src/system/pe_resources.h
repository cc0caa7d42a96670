// Reading and replacing one resource of a PE executable, on any host.
//
// A product's setup program is the setup runtime with the product's install
// definition stored in it as a resource. The author tool makes it on Linux as
// well as on Windows, so the resource section is rebuilt here rather than
// through the Win32 resource-update functions.
//
// The whole resource tree (type, name, language) is read, the one resource is
// added or replaced, and the tree is written out again as a new resource
// section: in place when the old one is the image's last section, otherwise
// as a section appended after the last one (the old section then stays as
// unused bytes). Headers, the image size and the checksum are brought up to
// date; an Authenticode signature is dropped, since it no longer matches.
#pragma once

#include "core/exceptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quendel {

// A file that is not a PE image this code can edit, or a damaged one.
QUENDEL_EXCEPTION(EPeImage, EQuendelAbnormal);

constexpr std::uint16_t kResourceTypeRcData = 10;
constexpr std::uint16_t kResourceTypeVersion = 16;

// The data of resource Type/Name (the name compared ignoring ASCII case) in
// its first language; nullopt when the image has no such resource. Raises
// EPeImage for a file that is not a valid PE image.
std::optional<std::vector<std::uint8_t>> FindPeResource(const std::vector<std::uint8_t>& Image,
                                                        std::uint16_t Type,
                                                        const std::string& Name);

// A copy of Image in which resource Type/Name holds Data. The name is stored
// upper-cased, as resource compilers do, so that the Win32 lookup (which
// upper-cases the name it is given) finds it. Every language of an existing
// resource of that name is replaced by one, the first one's language (neutral
// for a new resource). Raises EPeImage for an invalid image or one whose
// headers have no room for another section.
std::vector<std::uint8_t> SetPeResource(const std::vector<std::uint8_t>& Image, std::uint16_t Type,
                                        const std::string& Name,
                                        const std::vector<std::uint8_t>& Data);

// The checksum of the optional header, computed as the image-help library does.
std::uint32_t PeChecksum(const std::vector<std::uint8_t>& Image);

} // namespace quendel
