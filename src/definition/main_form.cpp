#include "definition/main_form.h"

#include "core/strings.h"

namespace quendel {

std::string DefinitionResourceName(const TClassInfo& FormClass) {
  return UpperCase(FormClass.Name());
}

} // namespace quendel
