// The process-wide registries of the shortcut layer: every shortcut, every
// sub link group and the one main link group, in creation order.
//
// One TLinksContext exists per run beside the model context (tests make a
// fresh one each); objects take the one current at their creation and keep
// using it, so it must outlive them.
#pragma once

#include "core/context.h"
#include "core/exceptions.h"
#include "model/model_context.h"

namespace quendel {

class TCustomInstallShellLink;
class TCustomShellLinkGroup;
class TMainLinkGroup;

QUENDEL_EXCEPTION(IEInstallShellLinkList, IException);
QUENDEL_EXCEPTION(IEShellLinkGroupList, IException);

class TInstallShellLinkList : public TObjectRefList<TCustomInstallShellLink> {
public:
  // Raises IEInstallShellLinkList for nil.
  void Add(TCustomInstallShellLink* Link);
};

class TShellLinkGroupList : public TObjectRefList<TCustomShellLinkGroup> {
public:
  // Raises IEShellLinkGroupList for nil.
  void Add(TCustomShellLinkGroup* Group);
};

struct TLinksContext {
  static constexpr const char* ContextName = "links context";

  TInstallShellLinkList ShellLinks;
  TShellLinkGroupList SubLinkGroups;
  TMainLinkGroup* MainLinkGroup = nullptr;

  // The uninstaller's class: a shortcut to it passes the product name. The
  // uninstaller is built above this layer, which hands it in (the setup
  // runtime); left unset, no object is the uninstaller.
  const TClassInfo* UninstallerClass = nullptr;
  bool IsUninstaller(const TPersistent& Obj) const {
    return UninstallerClass && Obj.InheritsFrom(*UninstallerClass);
  }
};

// Makes a context current for its lifetime and restores the previous one.
using TLinksContextScope = TContextScope<TLinksContext>;

// The context new shortcuts and groups join. Raises EContextError (an
// EComponentError) when no TLinksContextScope is active.
inline TLinksContext& CurrentLinksContext() {
  return TLinksContextScope::Current();
}
inline bool HasCurrentLinksContext() {
  return TLinksContextScope::Installed() != nullptr;
}

} // namespace quendel
