// The shell's folder browser (SHBrowseForFolderA). The browser runs its own
// modal loop and calls back into this file; nothing thrown by the caller's
// handlers may unwind through the shell's frames, so every call into them is
// guarded here and its error reported inside the browser. The controls the
// caller adds are children of the browser's window: their notifications
// reach the browser's window procedure, which this file subclasses to hand
// them to the controls.
#include "ui/controls.h"
#include "ui/folder_browser.h"
#include "ui/win32/win32_backend.h"
#include "platform/win32/system_libraries.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <exception>
#include <string>

namespace quendel::ui {

namespace {

class TWin32FolderBrowser;

struct TFound {
  HWND Tree = nullptr;
};

BOOL CALLBACK FindTree(HWND W, LPARAM P) {
  auto* found = reinterpret_cast<TFound*>(P);
  char cls[64] = {};
  GetClassNameA(W, cls, sizeof cls);
  if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, cls, 7, "SysTree", 7) == CSTR_EQUAL) {
    found->Tree = W;
    return FALSE;
  }
  return TRUE;
}

bool IsButton(HWND W) {
  char cls[16] = {};
  GetClassNameA(W, cls, sizeof cls);
  return lstrcmpiA(cls, "Button") == 0;
}

class TSession : public IFolderBrowserWindow {
public:
  explicit TSession(const TFolderBrowseRequest& Request) : FRequest(Request) {}

  THandle Handle() override { return FWindow; }
  TWinControl* Control() override { return nullptr; }
  bool TreeRect(TRect& R) override { return RectOf(TopOfTree(), R); }
  bool OkRect(TRect& R) override { return RectOf(FOk, R); }
  bool CancelRect(TRect& R) override { return RectOf(FCancel, R); }
  void SetTreeRect(const TRect& R) override {
    // The tree may sit inside a frame of the browser's own: that frame is
    // what takes the new size, and the tree follows it.
    if (HWND top = TopOfTree()) MoveWindow(top, R.Left, R.Top, R.Width(), R.Height(), TRUE);
  }
  void SetSelection(const std::string& Path) override {
    SendMessageA(FWindow, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(Path.c_str()));
  }
  bool OkEnabled() override { return FOk && IsWindowEnabled(FOk); }
  void PressOk() override {
    if (FOk) PostMessageA(FOk, BM_CLICK, 0, 0);
  }

  template <class F> void Guarded(F&& Call) {
    try {
      Call();
    } catch (const std::exception& E) {
      Report(E.what());
    } catch (...) {
      Report("Unknown error");
    }
  }

  void Initialized(HWND W) {
    FWindow = W;
    // The browser's controls by identifier and class, wherever they sit.
    if (HWND ok = GetDlgItem(W, IDOK); ok && IsButton(ok)) FOk = ok;
    if (HWND cancel = GetDlgItem(W, IDCANCEL); cancel && IsButton(cancel)) FCancel = cancel;
    TFound found;
    EnumChildWindows(W, FindTree, reinterpret_cast<LPARAM>(&found));
    FTree = found.Tree;
    if (FTree)
      SetWindowLongPtrA(FTree, GWL_STYLE, GetWindowLongPtrA(FTree, GWL_STYLE) | TVS_SHOWSELALWAYS);
    FOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(W, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    SetPropA(W, "QuendelFolderBrowser", this);
    if (FRequest.OnInitialized) Guarded([&] { FRequest.OnInitialized(*this); });
  }

  void SelectionChanged(LPITEMIDLIST Item) {
    char path[MAX_PATH + 1] = {};
    if (!Item || !platform::win32::lazy::SHGetPathFromIDListA(Item, path)) path[0] = 0;
    if (FRequest.OnSelectionChanged)
      Guarded([&] { FRequest.OnSelectionChanged(*this, std::string(path)); });
  }

  void Detach() {
    if (FWindow && FOldProc) {
      SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldProc));
      RemovePropA(FWindow, "QuendelFolderBrowser");
    }
    FOldProc = nullptr;
  }

private:
  static LRESULT CALLBACK SubclassProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP) {
    auto* self = static_cast<TSession*>(GetPropA(W, "QuendelFolderBrowser"));
    if (!self) return DefWindowProcA(W, Msg, WP, LP);
    if (Msg == WM_COMMAND && LP) {
      if (TWinControl* c = Win32ControlOf(reinterpret_cast<HWND>(LP))) {
        const int code = HIWORD(WP);
        if (code == BN_CLICKED) self->Guarded([&] { c->WidgetClicked(); });
        if (code == EN_CHANGE) {
          const HWND child = reinterpret_cast<HWND>(LP);
          const int n = GetWindowTextLengthA(child);
          std::string text(static_cast<std::size_t>(n) + 1, '\0');
          GetWindowTextA(child, text.data(), n + 1);
          text.resize(static_cast<std::size_t>(n));
          self->Guarded([&] { c->WidgetTextChanged(text); });
        }
        return 0;
      }
    }
    WNDPROC old = self->FOldProc;
    if (Msg == WM_NCDESTROY) self->Detach();
    return CallWindowProcA(old, W, Msg, WP, LP);
  }

  HWND TopOfTree() const {
    HWND w = FTree;
    while (w && GetParent(w) != FWindow) w = GetParent(w);
    return w;
  }
  bool RectOf(HWND Child, TRect& R) const {
    if (!Child) return false;
    RECT r;
    GetWindowRect(Child, &r);
    MapWindowPoints(nullptr, FWindow, reinterpret_cast<POINT*>(&r), 2);
    R = {r.left, r.top, r.right, r.bottom};
    return true;
  }
  void Report(const std::string& Message) {
    if (FRequest.OnError)
      try {
        FRequest.OnError(*this, Message);
        return;
      } catch (...) {
      }
    MessageBoxA(FWindow, Message.c_str(), FRequest.Title.c_str(), MB_OK | MB_ICONERROR);
  }

  const TFolderBrowseRequest& FRequest;
  HWND FWindow = nullptr, FOk = nullptr, FCancel = nullptr, FTree = nullptr;
  WNDPROC FOldProc = nullptr;
};

int CALLBACK BrowseCallback(HWND W, UINT Msg, LPARAM LP, LPARAM Data) {
  auto* session = reinterpret_cast<TSession*>(Data);
  // Nothing may leave this function by an exception: the shell's frames lie
  // between it and the caller.
  try {
    if (Msg == BFFM_INITIALIZED) session->Initialized(W);
    if (Msg == BFFM_SELCHANGED) session->SelectionChanged(reinterpret_cast<LPITEMIDLIST>(LP));
  } catch (...) {
  }
  return 0;
}

class TWin32FolderBrowser : public IFolderBrowser {
public:
  bool Browse(const TFolderBrowseRequest& Request, std::string& Path) override {
    // The browser needs the component-object library on this thread; a
    // program that set it up already keeps its own setting.
    namespace lazy = platform::win32::lazy;
    const HRESULT com = lazy::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    TSession session(Request);
    char display[MAX_PATH + 1] = {};
    BROWSEINFOA info{};
    info.hwndOwner = GetActiveWindow();
    info.pidlRoot = nullptr;
    info.pszDisplayName = display;
    info.lpszTitle = Request.Title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&session);
    LPITEMIDLIST item = lazy::SHBrowseForFolderA(&info);
    session.Detach();
    bool chosen = false;
    if (item) {
      char path[MAX_PATH + 1] = {};
      if (lazy::SHGetPathFromIDListA(item, path) && path[0]) {
        Path = path;
        chosen = true;
      }
      lazy::CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) lazy::CoUninitialize();
    return chosen;
  }

  std::string SystemString(const std::string& Library, int Id) override {
    HMODULE lib = LoadLibraryA(Library.c_str());
    if (!lib) return {};
    std::string text(4096, '\0');
    const int n = LoadStringA(lib, static_cast<UINT>(Id), text.data(), 4096);
    FreeLibrary(lib);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
  }
};

} // namespace

std::unique_ptr<IFolderBrowser> CreateWin32FolderBrowser() {
  return std::make_unique<TWin32FolderBrowser>();
}

} // namespace quendel::ui
