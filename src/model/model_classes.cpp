#include "model/model_classes.h"

#include "core/reflection.h"
#include "model/install_container.h"
#include "model/path_base.h"

namespace quendel {

void RegisterModelClasses() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TInstallContainer>();
  R.Register<TInstallObject>();
  R.Register<TCustomPathSpecifier>();
  R.Register<TStandardPathSpecifier>();
}

} // namespace quendel
