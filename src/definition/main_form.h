// Where a form's stored definition is kept: the resource named after its
// class. The main window class itself belongs to the widget layer
// (ui/main_form.h).
#pragma once

#include "core/reflection.h"

#include <string>

namespace quendel {

// The resource name of a form's stored definition: its upper-cased class name.
std::string DefinitionResourceName(const TClassInfo& FormClass);

} // namespace quendel
