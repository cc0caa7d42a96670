#include "author_runtime.h"

#include "definition/main_form.h"
#include "links/shell_link.h"
#include "ui/main_form.h"
#include "model/model_classes.h"
#include "paths/path_classes.h"

#ifndef _WIN32
#include "platform/native/native_shell.h"
#endif

namespace quendel::cli {

platform::TPlatform ThisMachine() {
  platform::TPlatform P = platform::CreateDefaultPlatform();
#ifndef _WIN32
  if (auto* Shell = dynamic_cast<platform::native::TNativeShell*>(P.Shell.get()))
    platform::native::WriteShellFolderRecords(*P.Registry, Shell->Config());
#endif
  return P;
}

TAuthorRuntime::TAuthorRuntime() : FPlatform(ThisMachine()) {
  FModel.AttachPlatform(&FPlatform);
  FTranslate.System = FPlatform.System.get();
  FModelScope.emplace(FModel);
  FTranslateScope.emplace(FTranslate);
  FLinksScope.emplace(FLinks);
  ui::RegisterUiClasses();
  RegisterModelClasses();
  RegisterPathClasses();
  RegisterLinkClasses();
  RegisterTranslateClasses();
  SetupPathSpecifiers(FModel);
  // The definition's main window holds the standard path specifiers.
  FModel.IsSpecifierHost = [](const TComponent& Owner) {
    return dynamic_cast<const TfrmMainMenu*>(&Owner) != nullptr;
  };
}

TAuthorRuntime::~TAuthorRuntime() {
  FLinksScope.reset();
  FTranslateScope.reset();
  FModelScope.reset();
}

} // namespace quendel::cli
