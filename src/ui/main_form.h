// The main window of a setup program. Everything about it comes from its
// stored definition (the resource "TFRMMAINMENU"): the window, the backdrop
// with the product's label, and every install object, all owned by it.
#pragma once

#include "ui/forms.h"

namespace quendel {
namespace ui {

class TfrmMainMenu : public TForm {
public:
  explicit TfrmMainMenu(TComponent* AOwner) : TForm(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

} // namespace ui

using ui::TfrmMainMenu;

} // namespace quendel
