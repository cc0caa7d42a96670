#include "ui/backdrop.h"
#include "ui/forms.h"
#include "ui/main_form.h"

namespace quendel::ui {

const TClassInfo& TfrmMainMenu::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TfrmMainMenu>("TfrmMainMenu", &TForm::StaticClass); });
}

void RegisterUiClasses(TClassRegistry& Registry) {
  Registry.Register<TForm>();
  Registry.Register<TfrmMainMenu>();
  Registry.Register<TLabel>();
  Registry.Register<TTranslateLabel>();
  Registry.Register<TBevel>();
  Registry.Register<TImage>();
  Registry.Register<TPanel>();
  Registry.Register<TGroupBox>();
  Registry.Register<TTabControl>();
  Registry.Register<TButton>();
  Registry.Register<TBitBtn>();
  Registry.Register<TTranslateBitBtn>();
  Registry.Register<TCheckBox>();
  Registry.Register<TRadioButton>();
  Registry.Register<TEdit>();
  Registry.Register<TMemo>();
  Registry.Register<TRichEdit>();
  Registry.Register<TListBox>();
  Registry.Register<TProgressBar>();
  Registry.Register<TBackdrop>();
  Registry.Register<TRotate3DLabel>();
}

} // namespace quendel::ui
