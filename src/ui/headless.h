// A windowing system in memory. Every window is a node that remembers its
// control, text, bounds, visibility and state; tests find controls, read
// their texts and press buttons through it, and render forms with the
// software canvas. Modal loops run the actions a test queued (Script) until
// the form has a result; an empty queue while a modal form waits is an error
// rather than a hang.
#pragma once

#include "ui/backend.h"
#include "ui/folder_browser.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quendel::ui {

class TControl;
class TButton;

class THeadlessBackend : public IWidgetBackend {
public:
  struct TNode {
    TWinControl* Control = nullptr;
    THandle Parent = nullptr;
    std::string Text;
    TRect Bounds;
    bool Visible = false;
    bool Enabled = true;
    bool Checked = false;
    int Min = 0, Max = 100, Position = 0;
    std::vector<std::string> Items;
    int ItemIndex = -1;
    int ZOrder = 0;
    bool Foreground = false;
  };

  THeadlessBackend();
  ~THeadlessBackend() override;

  // Screen settings the forms see.
  TSize Screen{1024, 768};
  int Dpi = 96;
  int Caption = 18;

  // --- what tests use
  // Actions run, one per turn, by modal loops and ProcessMessages.
  void Script(std::function<void()> Action);
  int PendingActions() const { return static_cast<int>(FScript.size()); }
  // Called by every ProcessMessages, as the pending input of a long loop
  // (a Cancel pressed while files are copied).
  std::function<void()> OnProcessMessages;
  // How many times the forms asked to be painted at once.
  int Updates = 0;
  // Answers for message boxes, in order (6 Yes, 7 No, 1 OK); each box shown
  // is recorded in Boxes.
  std::deque<int> BoxAnswers;
  std::vector<std::string> Boxes;
  // The visible top-level window with this caption, or nullptr.
  TWinControl* FindWindow(const std::string& Caption) const;
  // The top-level windows that are visible now.
  std::vector<TWinControl*> VisibleWindows() const;
  // A control inside Window by name, or (when none has that name) the visible
  // one whose text is Text, also inside the visible forms hosted in Window;
  // nullptr when absent.
  TControl* FindControl(TWinControl& Window, const std::string& NameOrText) const;
  // Presses a button as a user would: refused (false) when the button or a
  // window it sits in is hidden or disabled.
  bool Press(TWinControl& Button);
  // The window's close box (or Alt+F4), and the Esc key, given to a form.
  void CloseBox(TCustomForm& Form);
  void Escape(TCustomForm& Form);
  // Types into an edit box.
  void Type(TWinControl& Edit, const std::string& Text);
  const TNode* Node(THandle H) const;
  // Visible and enabled here and in every parent window.
  bool Usable(THandle H) const;

  // --- IWidgetBackend
  THandle CreateWidget(TWinControl& Control, THandle Parent) override;
  void DestroyWidget(THandle H) override;
  void SetBounds(THandle H, const TRect& R) override;
  void SetText(THandle H, const std::string& Text) override;
  std::string GetText(THandle H) override;
  void SetVisible(THandle H, bool Visible) override;
  void SetEnabled(THandle H, bool Enabled) override;
  void SetFont(THandle H, const TFont& Font) override;
  void SetChecked(THandle H, bool Checked) override;
  bool GetChecked(THandle H) override;
  void SetProgress(THandle H, int Min, int Max, int Position) override;
  void SetItems(THandle H, const std::vector<std::string>& Items, int ItemIndex) override;
  int GetItemIndex(THandle H) override;
  void Invalidate(THandle H) override;
  void Update(THandle H) override;
  void BringToFront(THandle H) override;
  void SetFocus(THandle H) override;
  void SetForeground(THandle H) override;
  void ProcessMessages() override;
  void ModalLoop(TCustomForm& Form) override;
  void Run() override;
  void Terminate() override;
  bool Terminated() const override;
  TSize ScreenSize() const override;
  int CaptionHeight() const override;
  int PixelsPerInch() const override;
  TSize OuterSize(const TCustomForm& Form, TSize Client) const override;
  std::uint32_t SysColor(int Index) const override;
  TSize TextExtent(const TFont& Font, const std::string& Text) override;
  int ShowMessageBox(const std::string& Text, const std::string& Caption, int Buttons) override;
  IFolderBrowser& FolderBrowser() override { return Browser; }

  // The folder browser's stand-in.
  THeadlessFolderBrowser Browser;

  THandle Focused() const { return FFocus; }

private:
  TNode& At(THandle H);
  bool RunOne();

  std::map<THandle, std::unique_ptr<TNode>> FNodes;
  std::deque<std::function<void()>> FScript;
  bool FTerminated = false;
  int FNextZ = 0;
  THandle FFocus = nullptr;
};

} // namespace quendel::ui
