// There are no windows on the simulated machine: nobody to ask.
#include "platform/ui_services.h"

namespace quendel::platform {

std::unique_ptr<IUIServices> CreateDefaultUIServices() {
  return std::make_unique<TUnattendedUIServices>();
}

} // namespace quendel::platform
