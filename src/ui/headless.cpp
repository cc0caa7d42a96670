#include "ui/headless.h"

#include "core/exceptions.h"
#include "core/strings.h"
#include "ui/forms.h"
#include "ui/software_canvas.h"

#include <algorithm>

namespace quendel::ui {

THeadlessBackend::THeadlessBackend() = default;
THeadlessBackend::~THeadlessBackend() = default;

void THeadlessBackend::Script(std::function<void()> Action) {
  FScript.push_back(std::move(Action));
}

THeadlessBackend::TNode& THeadlessBackend::At(THandle H) {
  auto it = FNodes.find(H);
  if (it == FNodes.end()) Raise<EComponentError>("Invalid window handle");
  return *it->second;
}

const THeadlessBackend::TNode* THeadlessBackend::Node(THandle H) const {
  auto it = FNodes.find(H);
  return it == FNodes.end() ? nullptr : it->second.get();
}

bool THeadlessBackend::Usable(THandle H) const {
  for (const TNode* n = Node(H); n; n = Node(n->Parent))
    if (!n->Visible || !n->Enabled) return false;
  return Node(H) != nullptr;
}

THandle THeadlessBackend::CreateWidget(TWinControl& Control, THandle Parent) {
  auto node = std::make_unique<TNode>();
  node->Control = &Control;
  node->Parent = Parent;
  node->Bounds = Control.BoundsRect();
  node->ZOrder = ++FNextZ;
  THandle h = node.get();
  FNodes[h] = std::move(node);
  return h;
}

void THeadlessBackend::DestroyWidget(THandle H) {
  if (FFocus == H) FFocus = nullptr;
  FNodes.erase(H);
}

void THeadlessBackend::SetBounds(THandle H, const TRect& R) {
  At(H).Bounds = R;
}
void THeadlessBackend::SetText(THandle H, const std::string& Text) {
  At(H).Text = Text;
}
std::string THeadlessBackend::GetText(THandle H) {
  return At(H).Text;
}
void THeadlessBackend::SetVisible(THandle H, bool Visible) {
  At(H).Visible = Visible;
}
void THeadlessBackend::SetEnabled(THandle H, bool Enabled) {
  At(H).Enabled = Enabled;
}
void THeadlessBackend::SetFont(THandle, const TFont&) {}
void THeadlessBackend::SetChecked(THandle H, bool Checked) {
  At(H).Checked = Checked;
}
bool THeadlessBackend::GetChecked(THandle H) {
  return At(H).Checked;
}

void THeadlessBackend::SetProgress(THandle H, int Min, int Max, int Position) {
  TNode& n = At(H);
  n.Min = Min;
  n.Max = Max;
  n.Position = Position;
}

void THeadlessBackend::SetItems(THandle H, const std::vector<std::string>& Items, int ItemIndex) {
  TNode& n = At(H);
  n.Items = Items;
  n.ItemIndex = ItemIndex;
}

int THeadlessBackend::GetItemIndex(THandle H) {
  return At(H).ItemIndex;
}
void THeadlessBackend::Invalidate(THandle) {}
void THeadlessBackend::Update(THandle) {
  ++Updates;
}
void THeadlessBackend::BringToFront(THandle H) {
  At(H).ZOrder = ++FNextZ;
}
void THeadlessBackend::SetFocus(THandle H) {
  FFocus = H;
}

void THeadlessBackend::SetForeground(THandle H) {
  for (auto& [h, n] : FNodes)
    n->Foreground = h == H;
}

bool THeadlessBackend::RunOne() {
  if (FScript.empty()) return false;
  auto action = std::move(FScript.front());
  FScript.pop_front();
  action();
  return true;
}

void THeadlessBackend::ProcessMessages() {
  if (OnProcessMessages) OnProcessMessages();
}

void THeadlessBackend::ModalLoop(TCustomForm& Form) {
  TModalFrame frame;
  while (Form.ModalResult() == 0 && !FTerminated) {
    frame.Check();
    if (!RunOne())
      Raise<EComponentError>("The modal window \"%s\" waits for input and no test action is left",
                             {Form.Caption()});
  }
  frame.Check();
}

void THeadlessBackend::Run() {
  while (!FTerminated && RunOne()) {
  }
}

void THeadlessBackend::Terminate() {
  FTerminated = true;
}
bool THeadlessBackend::Terminated() const {
  return FTerminated;
}
TSize THeadlessBackend::ScreenSize() const {
  return Screen;
}
int THeadlessBackend::CaptionHeight() const {
  return Caption;
}
int THeadlessBackend::PixelsPerInch() const {
  return Dpi;
}

TSize THeadlessBackend::OuterSize(const TCustomForm& Form, TSize Client) const {
  // A modern frame, thicker than the classic one and growing with the DPI.
  const int border = Form.BorderStyle() == bsNoneForm ? 0 : MulDiv(8, Dpi, 96);
  const int caption = Form.BorderStyle() == bsNoneForm ? 0 : MulDiv(23, Dpi, 96);
  return {Client.cx + 2 * border, Client.cy + 2 * border + caption};
}

std::uint32_t THeadlessBackend::SysColor(int Index) const {
  return ClassicSysColor(Index);
}

TSize THeadlessBackend::TextExtent(const TFont& Font, const std::string& Text) {
  // The face the renderer draws with, so that measured and drawn texts agree.
  TBitmap32 none(1, 1);
  return TSoftwareCanvas(none).TextExtent(Font, Text);
}

int THeadlessBackend::ShowMessageBox(const std::string& Text, const std::string&, int Buttons) {
  Boxes.push_back(Text);
  if (BoxAnswers.empty()) {
    if (Buttons == 0) return 1;
    Raise<EComponentError>("A message box asks \"%s\" and no test answer is left", {Text});
  }
  const int answer = BoxAnswers.front();
  BoxAnswers.pop_front();
  return answer;
}

TWinControl* THeadlessBackend::FindWindow(const std::string& Caption) const {
  for (const auto& [h, n] : FNodes)
    if (!n->Parent && n->Visible && n->Text == Caption) return n->Control;
  return nullptr;
}

std::vector<TWinControl*> THeadlessBackend::VisibleWindows() const {
  std::vector<const TNode*> top;
  for (const auto& [h, n] : FNodes)
    if (!n->Parent && n->Visible) top.push_back(n.get());
  std::sort(top.begin(), top.end(), [](auto* a, auto* b) { return a->ZOrder < b->ZOrder; });
  std::vector<TWinControl*> out;
  for (const TNode* n : top)
    out.push_back(n->Control);
  return out;
}

TControl* THeadlessBackend::FindControl(TWinControl& Window, const std::string& NameOrText) const {
  if (TControl* c = Window.FindChildControl(NameOrText)) return c;
  std::function<TControl*(TWinControl&)> byText = [&](TWinControl& w) -> TControl* {
    for (int i = 0; i < w.ControlCount(); ++i) {
      TControl* c = w.Controls(i);
      if (!c->Showing()) continue;
      if (c->Caption() == NameOrText) return c;
      if (auto* cw = dynamic_cast<TWinControl*>(c))
        if (TControl* found = byText(*cw)) return found;
    }
    return nullptr;
  };
  if (TControl* c = byText(Window)) return c;
  // Forms hosted inside the window (wizard pages): the visible ones.
  if (!Window.HandleAllocated()) return nullptr;
  for (const auto& [h, n] : FNodes)
    if (n->Parent == Window.Handle() && n->Visible && dynamic_cast<TCustomForm*>(n->Control))
      if (TControl* c = FindControl(*n->Control, NameOrText)) return c;
  return nullptr;
}

bool THeadlessBackend::Press(TWinControl& Button) {
  if (!Button.HandleAllocated() || !Usable(Button.Handle())) return false;
  TNode& n = At(Button.Handle());
  if (Button.WidgetKind() == TWidgetKind::CheckBox) n.Checked = !n.Checked;
  if (Button.WidgetKind() == TWidgetKind::RadioButton) n.Checked = true;
  DispatchHandler(&Button, [&] { Button.WidgetClicked(); });
  return true;
}

void THeadlessBackend::CloseBox(TCustomForm& Form) {
  DispatchHandler(&Form, [&] { Form.Close(); });
}

void THeadlessBackend::Escape(TCustomForm& Form) {
  DispatchHandler(&Form, [&] { Form.EscapePressed(); });
}

void THeadlessBackend::Type(TWinControl& Edit, const std::string& Text) {
  At(Edit.Handle()).Text = Text;
  DispatchHandler(&Edit, [&] { Edit.WidgetTextChanged(Text); });
}

} // namespace quendel::ui
