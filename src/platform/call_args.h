#pragma once
// How both adapters spell the arguments of file calls in error texts, so
// that the same fault reads the same natively and under Windows.

#include <string>

#include "platform/files.h"

namespace quendel::platform {

std::string AccessArg(TFileAccess access);   // GENERIC_READ | GENERIC_WRITE
std::string CreationArg(TCreation creation); // OPEN_EXISTING
std::string BoolArg(bool value);             // TRUE, FALSE

} // namespace quendel::platform
