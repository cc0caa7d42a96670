#include "ui/translate_hooks.h"

#include "translate/translator.h"
#include "ui/controls.h"
#include "ui/forms.h"

namespace quendel::ui {

namespace {
TWidgetKinds KindsOf(const TPersistent& X) {
  TWidgetKinds K = 0;
  if (!X.InheritsFrom(TControl::StaticClass())) return K;
  K |= wkControl;
  if (X.InheritsFrom(TWinControl::StaticClass())) K |= wkWinControl;
  if (X.InheritsFrom(TCustomForm::StaticClass())) K |= wkForm;
  if (X.InheritsFrom(TImage::StaticClass())) K |= wkImage;
  if (X.InheritsFrom(TCustomLabel::StaticClass())) K |= wkLabel;
  if (X.InheritsFrom(TMemo::StaticClass())) K |= wkMemo;
  if (X.InheritsFrom(TListBox::StaticClass())) K |= wkItemList;
  if (X.InheritsFrom(TTranslateLabel::StaticClass()) ||
      X.InheritsFrom(TTranslateBitBtn::StaticClass()))
    K |= wkTranslatable;
  return K;
}
} // namespace

void AttachTranslateHooks(TTranslateContext& Context) {
  Context.WidgetKinds = KindsOf;
  Context.ControlChildren = [](TComponent& C) {
    std::vector<TComponent*> Children;
    if (auto* W = dynamic_cast<TWinControl*>(&C))
      for (int i = 0; i < W->ControlCount(); ++i)
        Children.push_back(W->Controls(i));
    return Children;
  };
  Context.RealignControl = [](TComponent& C) {
    if (auto* W = dynamic_cast<TWinControl*>(&C)) W->Realign();
  };
}

} // namespace quendel::ui
