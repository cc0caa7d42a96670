#include "model/model_classes.h"

#include "core/reflection.h"
#include "model/file_container.h"
#include "model/install_container.h"
#include "model/install_file.h"
#include "model/install_group.h"
#include "model/path_base.h"

namespace quendel {

constexpr const char* kDistributeTypeInfo[] = {"dtTraditional", "dtWeb", "dtTraditionalNet"};
constinit const TEnumInfo DistributeTypeInfo("TDistributeType", kDistributeTypeInfo);

void RegisterModelClasses() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TInstallContainer>();
  R.Register<TInstallObject>();
  R.Register<TCustomPathSpecifier>();
  R.Register<TStandardPathSpecifier>();
  R.Register<TFileRelated>();
  R.Register<TFileContainer>();
  R.Register<TCustomInstallGroup>();
  R.Register<TInstallGroup>();
  R.Register<TInstallDirectory>();
  R.Register<TpsFileContainer>();
  R.Register<TCustomInstallFile>();
  R.Register<TInstallFile>();
  R.Register<TCustomNetInstallLocation>();
}

} // namespace quendel
