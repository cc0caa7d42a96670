#include "main_window.h"

#include "ui/main_form.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace quendel::setup {

namespace {

constexpr UINT kRunMessage = WM_APP + 1;
const char* const kClassName = "TfrmMainMenu";

class TWindow final : public IMainWindow {
public:
  HWND Handle = nullptr;
  bool FDestroying = false;
  void Maximize() override { ShowWindow(Handle, SW_MAXIMIZE); }
  void MoveOffScreen() override {
    RECT r;
    GetWindowRect(Handle, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(Handle, nullptr, -2 * w, -2 * h, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  void Repaint() override {
    InvalidateRect(Handle, nullptr, TRUE);
    UpdateWindow(Handle);
  }
  bool Destroying() const override { return FDestroying; }
};

struct TState {
  TApplication* App = nullptr;
  TWindow Window;
  bool Activated = false;
};

LRESULT CALLBACK WindowProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  auto* state = reinterpret_cast<TState*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  switch (Msg) {
  case WM_NCCREATE: {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(L);
    SetWindowLongPtrA(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    break;
  }
  case WM_ACTIVATE:
    // The run starts on the first activation, but outside the activation
    // message itself, so that the window is fully shown when the wizard opens.
    if (state && LOWORD(W) != WA_INACTIVE && !state->Activated) {
      state->Activated = true;
      PostMessageA(Wnd, kRunMessage, 0, 0);
    }
    break;
  case kRunMessage:
    if (state) RunActivation(*state->App);
    return 0;
  case WM_CLOSE:
    if (state) state->App->Terminate();
    return 0;
  case WM_DESTROY:
    if (state) state->Window.FDestroying = true;
    break;
  default:
    break;
  }
  return DefWindowProcA(Wnd, Msg, W, L);
}

} // namespace

void TWin32WindowHost::Run(TApplication& App, TfrmMainMenu& Form) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);

  TState state;
  state.App = &App;
  const int w = Form.Width() > 0 ? Form.Width() : 696, h = Form.Height() > 0 ? Form.Height() : 480;
  const std::string caption = Form.Caption().empty() ? App.Title : Form.Caption();
  HWND wnd = CreateWindowExA(0, kClassName, caption.c_str(), WS_OVERLAPPEDWINDOW, 217, 103, w, h,
                             nullptr, nullptr, wc.hInstance, &state);
  if (!wnd) {
    const DWORD error = GetLastError();
    // No desktop to show a window on (a service, a session without a
    // display): a run that may ask the user must not go on without
    // windows, nor wait for an activation that never comes. Nothing has
    // been touched yet.
    const std::string text =
        "The setup program cannot open its window (CreateWindowExA failed with error " +
        std::to_string(error) +
        "): there is no desktop to show it on. Run it with *q to install unattended.";
    App.LogLine("ERROR", text);
    std::fputs((text + "\n").c_str(), stderr);
    App.ExitCode = ecStartFailed;
    return;
  }
  state.Window.Handle = wnd;
  App.Window = &state.Window;
  ShowWindow(wnd, SW_SHOWNORMAL);
  SetForegroundWindow(wnd);
  MSG msg;
  while (!App.Terminated() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  App.Window = nullptr;
  DestroyWindow(wnd);
}

} // namespace quendel::setup
