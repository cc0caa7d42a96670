// The main window of a setup program. Everything about it comes from its
// stored definition (the resource "TFRMMAINMENU"); it has no behaviour of its
// own. Until the window layer exists it is a plain component that keeps the
// window's stored caption and size.
#pragma once

#include "core/component.h"
#include "core/reflection.h"

#include <string>

namespace quendel {

class TfrmMainMenu : public TComponent {
public:
  explicit TfrmMainMenu(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  std::string Caption;
  int Width = 0;
  int Height = 0;
};

// The resource name of a form's stored definition: its upper-cased class name.
std::string DefinitionResourceName(const TClassInfo& FormClass);

// Registers the classes of this layer (TfrmMainMenu) with Registry.
void RegisterDefinitionClasses(TClassRegistry& Registry = ClassRegistry());

} // namespace quendel
