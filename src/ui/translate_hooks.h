// The translator lies below the widget layer and knows no control class; the
// widget layer tells it what each of its components is, which controls a
// control contains, and how to lay a control out again.
#pragma once

namespace quendel {
struct TTranslateContext;
}

namespace quendel::ui {

// Sets Context's WidgetKinds, ControlChildren and RealignControl.
void AttachTranslateHooks(TTranslateContext& Context);

} // namespace quendel::ui
