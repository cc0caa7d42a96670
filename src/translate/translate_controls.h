// Labels and buttons that take their caption from a table by identifier.
//
// These stand in for the widget layer's translatable label and button until
// that layer exists: they carry the published Caption and GLID the
// translator works with, and nothing of a control. The widget layer's own
// TTranslateLabel (a label) and TTranslateBitBtn (a bitmap button) replace
// them under the same names; its TTranslateContext::WidgetKinds then reports
// them as wkTranslatable, and the translator reads their GLID property.
#pragma once

#include "core/component.h"
#include "core/reflection.h"

#include <string>

namespace quendel {

class TTranslateLabel : public TComponent {
public:
  explicit TTranslateLabel(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  std::string Caption;
  // 0: translated by its text like any other caption.
  int GLID = 0;
};

class TTranslateBitBtn : public TComponent {
public:
  explicit TTranslateBitBtn(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  std::string Caption;
  int GLID = 0;
};

} // namespace quendel
