// Enumerations and parameter objects shared by the install objects.
#pragma once

#include "core/reflection.h"
#include "system/os_version.h"

#include <string>

namespace quendel {

// Which kind of installation the user chose. itCustom lets every object
// through the install-type filter.
enum TInstallType { itFull, itDefault, itCompact, itCustom };
using TInstallTypeSet = TSet<TInstallType>;

extern const TEnumInfo InstallTypeInfo;

inline constexpr TInstallTypeSet AllInstallTypes{itFull, itDefault, itCompact, itCustom};

// How the archives reach the user: all on the medium, all from a server, or
// on the medium except the files marked Net.
enum TDistributeType { dtTraditional, dtWeb, dtTraditionalNet };
extern const TEnumInfo DistributeTypeInfo;

// Install-object kinds: the RegisteredType of each install object class.
// Children sort by it; broadcasts reach children of ikFirstBroadcast and
// above.
inline constexpr int ikGroup = 500;
inline constexpr int ikFileContainer = 1000;
inline constexpr int ikInstallFile = 2000;
inline constexpr int ikShellLinkGroup = 7000;
inline constexpr int ikShellLink = 8000;
inline constexpr int ikDialog = 9000;
inline constexpr int ikFirstBroadcast = 2000;

// Install events broadcast to children (negative codes).
inline constexpr int ieBeforeProcess = -990;
inline constexpr int ieProcessIncluded = -999;
inline constexpr int ieAfterProcess = -989;
inline constexpr int iePushStatusMessage = -974;
inline constexpr int iePopStatusMessage = -973;

// The root of the objects that travel with an install event. The sender owns
// them for the duration of one call; receivers must not keep them.
class TEventParameter {
public:
  TEventParameter() = default;
  TEventParameter(const TEventParameter&) = delete;
  TEventParameter& operator=(const TEventParameter&) = delete;
  virtual ~TEventParameter() = default;
};

// A status text to show (-974).
class TMessageParameter : public TEventParameter {
public:
  explicit TMessageParameter(std::string AMessage) : Message(std::move(AMessage)) {}
  std::string Message;
};

} // namespace quendel
