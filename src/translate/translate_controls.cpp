#include "translate/translate_controls.h"

namespace quendel {

const TClassInfo& TTranslateLabel::StaticClass() {
  using T = TTranslateLabel;
  static const TClassInfo Info = TClassBuilder<T>("TTranslateLabel", TComponent::StaticClass())
                                     .Str("Caption", &T::Caption, &T::Caption)
                                     .Int("GLID", &T::GLID, &T::GLID, 0)
                                     .Build();
  return Info;
}

const TClassInfo& TTranslateBitBtn::StaticClass() {
  using T = TTranslateBitBtn;
  static const TClassInfo Info = TClassBuilder<T>("TTranslateBitBtn", TComponent::StaticClass())
                                     .Str("Caption", &T::Caption, &T::Caption)
                                     .Int("GLID", &T::GLID, &T::GLID, 0)
                                     .Build();
  return Info;
}

} // namespace quendel
