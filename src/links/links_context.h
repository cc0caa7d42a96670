// The process-wide registries of the shortcut layer: every shortcut, every
// sub link group and the one main link group, in creation order.
//
// One TLinksContext exists per run beside the model context (tests make a
// fresh one each); objects take the one current at their creation and keep
// using it, so it must outlive them.
#pragma once

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
  TInstallShellLinkList ShellLinks;
  TShellLinkGroupList SubLinkGroups;
  TMainLinkGroup* MainLinkGroup = nullptr;
};

// The context new shortcuts and groups join. Raises EComponentError when no
// TLinksContextScope is active.
TLinksContext& CurrentLinksContext();
bool HasCurrentLinksContext();

// Makes a context current for its lifetime and restores the previous one.
class TLinksContextScope {
public:
  explicit TLinksContextScope(TLinksContext& Context);
  ~TLinksContextScope();
  TLinksContextScope(const TLinksContextScope&) = delete;
  TLinksContextScope& operator=(const TLinksContextScope&) = delete;

private:
  TLinksContext* FPrevious;
};

} // namespace quendel
