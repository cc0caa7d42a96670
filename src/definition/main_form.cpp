#include "definition/main_form.h"

#include "core/strings.h"

namespace quendel {

const TClassInfo& TfrmMainMenu::StaticClass() {
  using T = TfrmMainMenu;
  static const TClassInfo Info = TClassBuilder<T>("TfrmMainMenu", TComponent::StaticClass())
                                     .Str("Caption", &T::Caption, &T::Caption)
                                     .Int("Width", &T::Width, &T::Width)
                                     .Int("Height", &T::Height, &T::Height)
                                     .Build();
  return Info;
}

std::string DefinitionResourceName(const TClassInfo& FormClass) {
  return UpperCase(FormClass.Name());
}

void RegisterDefinitionClasses(TClassRegistry& Registry) {
  Registry.Register<TfrmMainMenu>();
}

} // namespace quendel
