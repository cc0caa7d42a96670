#include "runtime/runtime.h"

#include "dialogs/dialog_layouts.h"
#include "ui/forms.h"

namespace quendel {

ui::TUiContext& TRuntime::UseWidgets(ui::IWidgetBackend& Backend) {
  ui::TUiContext& Ui = UseWidgets(Backend, nullptr);
  dialogs::AddDialogLayouts(Ui.Resources());
  return Ui;
}

} // namespace quendel
