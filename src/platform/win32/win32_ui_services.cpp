// Message boxes, the hourglass cursor and the message pump of Win32.
#include "platform/ui_services.h"

#include <windows.h>

#include <atomic>

namespace quendel::platform {

namespace {

// Whether the window library is in the process yet. It is loaded on its
// first call (a quiet run never makes one): until then no window exists and
// no thread has a message queue, so there is nothing to pump and no cursor
// to show, and asking would load the library and its drawing half for
// nothing.
bool WindowingLoaded() {
  static std::atomic<bool> Loaded{false};
  if (Loaded.load(std::memory_order_relaxed)) return true;
  const bool Now = GetModuleHandleA("user32.dll") != nullptr;
  if (Now) Loaded.store(true, std::memory_order_relaxed);
  return Now;
}

class TWin32UIServices final : public IUIServices {
public:
  bool Interactive() const override { return true; }

  int ShowMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) override {
    // Owned by the active window so that the box stays above the wizard and
    // the main window cannot be used meanwhile.
    const int answer = ::MessageBoxA(GetActiveWindow(), Text.c_str(), Caption.c_str(),
                                     Flags | MB_SETFOREGROUND);
    // Without a box (no desktop) the question still gets its default answer
    // instead of an answer nobody gave.
    return answer == 0 ? DefaultAnswer(Flags) : answer;
  }

  bool SetBusyCursor(bool Busy) override {
    const bool was = FBusy;
    FBusy = Busy;
    if (WindowingLoaded()) SetCursor(LoadCursorA(nullptr, Busy ? IDC_WAIT : IDC_ARROW));
    return was;
  }

  void ProcessMessages() override {
    if (!WindowingLoaded()) return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The loop that owns the program must still see the request to end.
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

private:
  bool FBusy = false;
};

} // namespace

std::unique_ptr<IUIServices> CreateDefaultUIServices() {
  return std::make_unique<TWin32UIServices>();
}

} // namespace quendel::platform
