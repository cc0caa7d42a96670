// The objects that travel with upward notifications (DoInformationEventControl
// codes 1001 to 1016) and with install events broadcast to children. The
// sender creates one for a single call and destroys it afterwards; receivers
// must not keep it.
#pragma once

#include "archive/file_header.h"
#include "model/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quendel {

class TComponent;

// Upward notification codes.
inline constexpr int icFileAfterInstall = 1001;
inline constexpr int icFileBeforeInstall = 1002;
inline constexpr int icFileReplacing = 1003;
inline constexpr int icFileBeforeCompress = 1004;
inline constexpr int icFileAfterCompress = 1005;
inline constexpr int icFileBeforeCopy = 1006;
inline constexpr int icFileAfterCopy = 1007;
inline constexpr int icStatusInstall = 1008;
inline constexpr int icStatusCompress = 1009;
inline constexpr int icStatusCopy = 1010;
inline constexpr int icNewDisk = 1011;
inline constexpr int icContainerStart = 1012;
inline constexpr int icContainerEnd = 1013;
inline constexpr int icDataReceived = 1014;
inline constexpr int icFileSkippedByAbort = 1015;
inline constexpr int icFileSkippedByOverwrite = 1016;

// Install events of the file containers and files (see model/types.h for
// those of Process).
inline constexpr int ieContainerStart = -992;
inline constexpr int ieOperationEnd = -996;
inline constexpr int ieReplacing = -997;
inline constexpr int ieFileStatus = -998;
inline constexpr int ieNewDisk = -993;
inline constexpr int ieDownloadStatus = -988;

// An object passed where the notification names a component: the install
// file of codes 1001 to 1007, 1015 and 1016 and of event -997, the child
// container of 1012 and 1013.
class TObjectParameter : public TEventParameter {
public:
  explicit TObjectParameter(TComponent* AObject) : Object(AObject) {}
  TComponent* Object;
};

// The volume needed next and the directory where it is expected; a handler
// may change Path.
class TDiskParameter : public TEventParameter {
public:
  int NewDisk = 0;
  std::string Path;
};

// Progress of one file, and of the sub-tree of the container that handled it
// last on its way up.
class TFileStatusParameter : public TEventParameter {
public:
  std::int64_t FileBytesDone = 0;
  int FilePercentDone = 0;
  std::string FileName;
  TlzhFileStats Status;
  std::int64_t ContainerBytesDone = 0;
  int TotalPercentDone = 0;
};

// Progress of a download.
class TDownloadStatusParameter : public TEventParameter {
public:
  int Bytes = 0;
  std::string FileName;
  int FileSize = 0;
  int TotalBytes = 0;
  int PercentDone = 0;
};

// The two-element list of codes 1008 to 1011 and of event -993: element 0 the
// install file, element 1 its TFileStatusParameter or TDiskParameter. An
// element is either a component or a parameter object.
class TParameterList : public TEventParameter {
public:
  struct TItem {
    TComponent* Object = nullptr;
    TEventParameter* Parameter = nullptr;
  };
  std::vector<TItem> Items;
};

// Part / Whole × 100 rounded to the nearest integer; 0 when Whole is not
// positive or the result is out of range.
int PercentOf(double Part, double Whole);

} // namespace quendel
