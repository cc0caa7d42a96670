// The stored layouts of the dialog forms (the project's forms/ directory),
// built into the program.
#pragma once

#include "ui/forms.h"

namespace quendel::dialogs {

// Adds every layout under its form class's resource name.
void AddDialogLayouts(ui::TFormResources& Resources);

} // namespace quendel::dialogs
