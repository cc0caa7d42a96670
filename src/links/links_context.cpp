#include "links/links_context.h"

namespace quendel {

void TInstallShellLinkList::Add(TCustomInstallShellLink* Link) {
  if (!Link) Raise<IEInstallShellLinkList>("Cannot add a blank entry to the shell link list");
  FItems.push_back(Link);
}

void TShellLinkGroupList::Add(TCustomShellLinkGroup* Group) {
  if (!Group) Raise<IEShellLinkGroupList>("Cannot add a blank entry to the shell link group list");
  FItems.push_back(Group);
}

} // namespace quendel
