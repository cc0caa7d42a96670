#include "ui/win32/win32_backend.h"

#include "core/exceptions.h"
#include "ui/folder_browser.h"
#include "ui/forms.h"
#include "platform/win32/system_libraries.h"

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace quendel::ui {

namespace {

const char* const kFormClass = "QuendelForm";
const char* const kControlClass = "QuendelControl";

TWinControl* ControlOf(HWND W) {
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(W, GWLP_USERDATA));
}

HWND Wnd(THandle H) { return static_cast<HWND>(H); }

// The windows this backend made, so that a window of someone else (a system
// dialog's own controls) is never taken for one of ours.
std::set<HWND>& OwnWindows() {
  static std::set<HWND> windows;
  return windows;
}

// One GDI font per window that has one set, freed with the window.
std::map<HWND, HFONT>& Fonts() {
  static std::map<HWND, HFONT> fonts;
  return fonts;
}

HFONT MakeFont(const TFont& Font, int Escapement) {
  LOGFONTA lf{};
  lf.lfHeight = Font.Height();
  lf.lfEscapement = Escapement;
  lf.lfOrientation = Escapement;
  lf.lfWeight = Font.Style().Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Font.Style().Contains(fsItalic);
  lf.lfUnderline = Font.Style().Contains(fsUnderline);
  lf.lfStrikeOut = Font.Style().Contains(fsStrikeOut);
  lf.lfCharSet = Font.Charset();
  // TrueType only for turned text: other fonts cannot turn.
  lf.lfOutPrecision = Escapement != 0 ? OUT_TT_ONLY_PRECIS : OUT_DEFAULT_PRECIS;
  lf.lfQuality = NONANTIALIASED_QUALITY;
  lstrcpynA(lf.lfFaceName, Font.Name().c_str(), LF_FACESIZE);
  return CreateFontIndirectA(&lf);
}

COLORREF ToRef(std::uint32_t Rgb) { return static_cast<COLORREF>(Rgb & 0xFFFFFF); }

class TGdiCanvas : public ICanvas {
public:
  explicit TGdiCanvas(HDC DC) : FDC(DC) {}

  std::uint32_t ColorToRGB(TColor Color) const override {
    if (Color < 0) return static_cast<std::uint32_t>(GetSysColor(Color & 0xFF));
    return static_cast<std::uint32_t>(Color) & 0xFFFFFF;
  }
  void FillRect(const TRect& R, TColor Color) override {
    HBRUSH b = CreateSolidBrush(ToRef(ColorToRGB(Color)));
    RECT r{R.Left, R.Top, R.Right, R.Bottom};
    ::FillRect(FDC, &r, b);
    DeleteObject(b);
  }
  void Polygon(const std::vector<TPoint>& Points, TColor Color) override {
    std::vector<POINT> pts;
    for (const TPoint& p : Points) pts.push_back({p.X, p.Y});
    const COLORREF c = ToRef(ColorToRGB(Color));
    HBRUSH b = CreateSolidBrush(c);
    HPEN p = CreatePen(PS_SOLID, 1, c);
    HGDIOBJ ob = SelectObject(FDC, b), op = SelectObject(FDC, p);
    ::Polygon(FDC, pts.data(), static_cast<int>(pts.size()));
    SelectObject(FDC, ob);
    SelectObject(FDC, op);
    DeleteObject(b);
    DeleteObject(p);
  }
  void Line(int X1, int Y1, int X2, int Y2, TColor Color) override {
    HPEN p = CreatePen(PS_SOLID, 1, ToRef(ColorToRGB(Color)));
    HGDIOBJ op = SelectObject(FDC, p);
    MoveToEx(FDC, X1, Y1, nullptr);
    LineTo(FDC, X2, Y2);
    SelectObject(FDC, op);
    DeleteObject(p);
  }
  TSize TextExtent(const TFont& Font, const std::string& Text) override {
    HFONT f = MakeFont(Font, 0);
    HGDIOBJ of = SelectObject(FDC, f);
    SIZE s{};
    GetTextExtentPoint32A(FDC, Text.c_str(), static_cast<int>(Text.size()), &s);
    SelectObject(FDC, of);
    DeleteObject(f);
    return {s.cx, s.cy};
  }
  void TextAt(int X, int Y, const std::string& Text, const TFont& Font, int Escapement,
               TColor Color) override {
    HFONT f = MakeFont(Font, Escapement);
    HGDIOBJ of = SelectObject(FDC, f);
    SetBkMode(FDC, TRANSPARENT);
    SetTextColor(FDC, ToRef(ColorToRGB(Color)));
    ::TextOutA(FDC, X, Y, Text.c_str(), static_cast<int>(Text.size()));
    SelectObject(FDC, of);
    DeleteObject(f);
  }
  void DrawBitmap(int X, int Y, const std::vector<std::uint8_t>& Bmp) override {
    if (Bmp.size() < 54 || Bmp[0] != 'B' || Bmp[1] != 'M') return;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(Bmp.data() + 14);
    const std::uint32_t offset = *reinterpret_cast<const std::uint32_t*>(Bmp.data() + 10);
    if (offset >= Bmp.size()) return;
    const int w = info->bmiHeader.biWidth, h = std::abs(info->bmiHeader.biHeight);
    SetDIBitsToDevice(FDC, X, Y, w, h, 0, 0, 0, h, Bmp.data() + offset, info, DIB_RGB_COLORS);
  }
  void Enter(const TRect& R) override {
    FSaved.push_back(SaveDC(FDC));
    POINT org;
    GetViewportOrgEx(FDC, &org);
    IntersectClipRect(FDC, R.Left, R.Top, R.Right, R.Bottom);
    SetViewportOrgEx(FDC, org.x + R.Left, org.y + R.Top, nullptr);
  }
  void Restore() override {
    if (FSaved.empty()) return;
    RestoreDC(FDC, FSaved.back());
    FSaved.pop_back();
  }

private:
  HDC FDC;
  std::vector<int> FSaved;
};

void Paint(HWND W, TWinControl& C) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(W, &ps);
  // Drawn into a bitmap first, so a gradient of 256 bands never flickers.
  RECT rc;
  GetClientRect(W, &rc);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, std::max<LONG>(1, rc.right), std::max<LONG>(1, rc.bottom));
  HGDIOBJ old = SelectObject(mem, bmp);
  {
    TGdiCanvas canvas(mem);
    DispatchHandler(&C, [&] { C.PaintWindow(canvas); });
  }
  BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  EndPaint(W, &ps);
}

LRESULT CALLBACK WindowProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP) {
  TWinControl* c = ControlOf(W);
  if (!c) return DefWindowProcA(W, Msg, WP, LP);
  switch (Msg) {
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT:
    Paint(W, *c);
    return 0;
  case WM_COMMAND: {
    HWND child = reinterpret_cast<HWND>(LP);
    TWinControl* cc = child ? ControlOf(child) : nullptr;
    if (!child && LOWORD(WP) == IDCANCEL) {
      // Esc, as the modal loop's dialog handling reports it.
      if (auto* f = dynamic_cast<TCustomForm*>(c)) {
        DispatchHandler(f, [&] { f->EscapePressed(); });
        return 0;
      }
    }
    if (!cc) break;
    const int code = HIWORD(WP);
    if (code == BN_CLICKED || code == LBN_SELCHANGE)
      DispatchHandler(cc, [&] { cc->WidgetClicked(); });
    if (code == EN_CHANGE) {
      char buf[4096];
      GetWindowTextA(child, buf, sizeof buf);
      std::string text(buf);
      DispatchHandler(cc, [&] { cc->WidgetTextChanged(text); });
    }
    return 0;
  }
  case WM_SIZE:
    DispatchHandler(c, [&] { c->WidgetResized(LOWORD(LP), HIWORD(LP)); });
    InvalidateRect(W, nullptr, FALSE);
    return 0;
  case WM_ACTIVATE:
    if (LOWORD(WP) != WA_INACTIVE)
      if (auto* f = dynamic_cast<TCustomForm*>(c)) DispatchHandler(f, [&] { f->Activate(); });
    break;
  case WM_CLOSE:
    if (auto* f = dynamic_cast<TCustomForm*>(c)) {
      DispatchHandler(f, [&] { f->Close(); });
      return 0;
    }
    break;
  default:
    break;
  }
  return DefWindowProcA(W, Msg, WP, LP);
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  platform::win32::lazy::InitCommonControlsEx(&icc);
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.lpszClassName = kFormClass;
  RegisterClassA(&wc);
  wc.hIcon = nullptr;
  wc.lpszClassName = kControlClass;
  RegisterClassA(&wc);
}

struct TStyle {
  DWORD Style, ExStyle;
};

TStyle FormStyle(const TCustomForm& F) {
  if (F.ParentWindow()) return {WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0};
  DWORD style = WS_CLIPCHILDREN;
  DWORD ex = 0;
  switch (F.BorderStyle()) {
  case bsNoneForm:
    style |= WS_POPUP;
    break;
  case bsSingleForm:
  case bsToolWindow:
    style |= WS_CAPTION | WS_BORDER;
    break;
  case bsSizeable:
  case bsSizeToolWin:
    style |= WS_CAPTION | WS_THICKFRAME;
    break;
  case bsDialog:
    style |= WS_CAPTION | DS_MODALFRAME | WS_DLGFRAME;
    ex |= WS_EX_DLGMODALFRAME;
    break;
  }
  if (F.BorderStyle() != bsNoneForm && F.BorderIcons.Contains(biSystemMenu)) style |= WS_SYSMENU;
  if (F.BorderStyle() == bsSizeable && F.BorderIcons.Contains(biMinimize)) style |= WS_MINIMIZEBOX;
  if (F.BorderStyle() == bsSizeable && F.BorderIcons.Contains(biMaximize)) style |= WS_MAXIMIZEBOX;
  if (F.FormStyle == fsStayOnTop) ex |= WS_EX_TOPMOST;
  return {style, ex};
}

BOOL CALLBACK CollectEnabled(HWND W, LPARAM P) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(P);
  if (IsWindowVisible(W) && IsWindowEnabled(W)) list->push_back(W);
  return TRUE;
}

// The window class of the system's rich-edit control, its library loaded on
// first use (and kept: its windows may live until the program ends); null
// when the system has none.
const char* RichEditClass() {
  static const char* cls = [] () -> const char* {
    if (LoadLibraryA("riched20.dll")) return "RichEdit20A";
    if (LoadLibraryA("msftedit.dll")) return "RICHEDIT50W";
    return nullptr;
  }();
  return cls;
}

bool IsRichEditWindow(HWND W) {
  char cls[32] = {};
  GetClassNameA(W, cls, sizeof cls);
  return lstrcmpiA(cls, "RichEdit20A") == 0 || lstrcmpiA(cls, "RICHEDIT50W") == 0;
}

// Tab, Enter and Esc in a top-level form of this layer that has no modal
// loop of its own (the modeless copy form, pumped by the copy loop) get the
// dialog handling a modal loop gives its form: Esc arrives as IDCANCEL.
bool DialogKey(MSG& M) {
  if (M.message < WM_KEYFIRST || M.message > WM_KEYLAST || !M.hwnd) return false;
  HWND root = GetAncestor(M.hwnd, GA_ROOT);
  if (!root || !OwnWindows().count(root) || !dynamic_cast<TCustomForm*>(ControlOf(root)))
    return false;
  return IsDialogMessageA(root, &M) != FALSE;
}

} // namespace

TWin32Backend::TWin32Backend() {
  // Windows are laid out for the screen's real pixels.
  using TSetAware = BOOL(WINAPI*)();
  if (HMODULE user = GetModuleHandleA("user32.dll"))
    if (auto aware = reinterpret_cast<TSetAware>(
            reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware"))))
      aware();
  RegisterClasses();
}

TWin32Backend::~TWin32Backend() {
  for (auto& [w, f] : Fonts()) DeleteObject(f);
  Fonts().clear();
}

THandle TWin32Backend::CreateWidget(TWinControl& Control, THandle Parent) {
  const char* cls = kControlClass;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  DWORD ex = 0;
  TRect r = Control.BoundsRect();
  switch (Control.WidgetKind()) {
  case TWidgetKind::Form: {
    const auto& f = static_cast<TCustomForm&>(Control);
    cls = kFormClass;
    const TStyle s = FormStyle(f);
    style = s.Style;
    ex = s.ExStyle;
    if (f.ParentWindow()) r = Bounds(0, 0, f.ClientWidth(), f.ClientHeight());
    break;
  }
  case TWidgetKind::Custom:
    break;
  case TWidgetKind::Button:
    cls = "BUTTON";
    style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON;
    break;
  case TWidgetKind::CheckBox:
    cls = "BUTTON";
    style = WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX;
    break;
  case TWidgetKind::RadioButton:
    cls = "BUTTON";
    style = WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON;
    break;
  case TWidgetKind::Edit:
    cls = "EDIT";
    style = WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL;
    ex = WS_EX_CLIENTEDGE;
    break;
  case TWidgetKind::Memo:
    cls = "EDIT";
    style = WS_CHILD | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
    ex = WS_EX_CLIENTEDGE;
    break;
  case TWidgetKind::RichEdit:
    // Without a rich-edit library the text is shown plain in an edit box.
    cls = RichEditClass();
    if (!cls) cls = "EDIT";
    style = WS_CHILD | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
    ex = WS_EX_CLIENTEDGE;
    break;
  case TWidgetKind::ListBox:
    cls = "LISTBOX";
    style = WS_CHILD | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    ex = WS_EX_CLIENTEDGE;
    break;
  case TWidgetKind::ProgressBar:
    cls = PROGRESS_CLASSA;
    style = WS_CHILD;
    break;
  }
  HWND parent = Wnd(Parent);
  HWND w = CreateWindowExA(ex, cls, "", style, r.Left, r.Top, r.Width(), r.Height(), parent,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!w)
    Raise<EComponentError>("CreateWindowExA(%s) failed with error %d",
                           {std::string(cls), static_cast<int>(GetLastError())});
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&Control));
  OwnWindows().insert(w);
  return w;
}

void TWin32Backend::DestroyWidget(THandle H) {
  HWND w = Wnd(H);
  OwnWindows().erase(w);
  // A window inside a system dialog may be gone with that dialog already.
  if (IsWindow(w)) {
    SetWindowLongPtrA(w, GWLP_USERDATA, 0);
    DestroyWindow(w);
  }
  auto it = Fonts().find(w);
  if (it != Fonts().end()) {
    DeleteObject(it->second);
    Fonts().erase(it);
  }
}

void TWin32Backend::SetBounds(THandle H, const TRect& R) {
  TWinControl* c = ControlOf(Wnd(H));
  TRect r = R;
  if (auto* f = dynamic_cast<TCustomForm*>(c); f && f->ParentWindow())
    r = Bounds(R.Left, R.Top, f->ClientWidth(), f->ClientHeight());
  MoveWindow(Wnd(H), r.Left, r.Top, r.Width(), r.Height(), TRUE);
}

bool TWin32Backend::ShowsRichText(THandle H) const { return IsRichEditWindow(Wnd(H)); }

void TWin32Backend::SetText(THandle H, const std::string& Text) {
  std::string t = Text;
  const TWinControl* c = ControlOf(Wnd(H));
  if (c && (c->WidgetKind() == TWidgetKind::Memo || c->WidgetKind() == TWidgetKind::RichEdit)) {
    // An edit box breaks lines only at CR LF.
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '\n' && (i == 0 || t[i - 1] != '\r')) out += '\r';
      out += t[i];
    }
    t = out;
  }
  SetWindowTextA(Wnd(H), t.c_str());
}

std::string TWin32Backend::GetText(THandle H) {
  const int n = GetWindowTextLengthA(Wnd(H));
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  GetWindowTextA(Wnd(H), s.data(), n + 1);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

void TWin32Backend::SetVisible(THandle H, bool Visible) {
  ShowWindow(Wnd(H), Visible ? SW_SHOWNA : SW_HIDE);
  if (Visible) UpdateWindow(Wnd(H));
}

void TWin32Backend::SetEnabled(THandle H, bool Enabled) { EnableWindow(Wnd(H), Enabled); }

void TWin32Backend::SetFont(THandle H, const TFont& Font) {
  HWND w = Wnd(H);
  HFONT f = MakeFont(Font, 0);
  SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  auto& fonts = Fonts();
  if (auto it = fonts.find(w); it != fonts.end()) DeleteObject(it->second);
  fonts[w] = f;
}

void TWin32Backend::SetChecked(THandle H, bool Checked) {
  SendMessageA(Wnd(H), BM_SETCHECK, Checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TWin32Backend::GetChecked(THandle H) {
  return SendMessageA(Wnd(H), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TWin32Backend::SetProgress(THandle H, int Min, int Max, int Position) {
  SendMessageA(Wnd(H), PBM_SETRANGE32, static_cast<WPARAM>(Min), static_cast<LPARAM>(Max));
  SendMessageA(Wnd(H), PBM_SETPOS, static_cast<WPARAM>(Position), 0);
}

void TWin32Backend::SetItems(THandle H, const std::vector<std::string>& Items, int ItemIndex) {
  HWND w = Wnd(H);
  SendMessageA(w, LB_RESETCONTENT, 0, 0);
  for (const std::string& s : Items)
    SendMessageA(w, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  SendMessageA(w, LB_SETCURSEL, static_cast<WPARAM>(ItemIndex), 0);
}

int TWin32Backend::GetItemIndex(THandle H) {
  return static_cast<int>(SendMessageA(Wnd(H), LB_GETCURSEL, 0, 0));
}

void TWin32Backend::Invalidate(THandle H) { InvalidateRect(Wnd(H), nullptr, FALSE); }

void TWin32Backend::Update(THandle H) {
  RedrawWindow(Wnd(H), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TWin32Backend::BringToFront(THandle H) {
  SetWindowPos(Wnd(H), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWin32Backend::SetFocus(THandle H) { ::SetFocus(Wnd(H)); }
void TWin32Backend::SetForeground(THandle H) { SetForegroundWindow(Wnd(H)); }

void TWin32Backend::ProcessMessages() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      FTerminated = true;
      PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    if (DialogKey(m)) continue;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

void TWin32Backend::ModalLoop(TCustomForm& Form) {
  TModalFrame frame;
  HWND self = Wnd(Form.Handle());
  // Every other top-level window of the program waits while this one is up.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  std::erase(disabled, self);
  for (HWND w : disabled) EnableWindow(w, FALSE);
  SetForegroundWindow(self);
  MSG m;
  while (Form.ModalResult() == 0 && !frame.Error && !FTerminated) {
    const BOOL got = GetMessageA(&m, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The application ends: leave, and let the outer loops see it too.
      FTerminated = true;
      PostQuitMessage(got == 0 ? static_cast<int>(m.wParam) : 0);
      break;
    }
    if (!IsDialogMessageA(self, &m)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  for (HWND w : disabled)
    if (IsWindow(w)) EnableWindow(w, TRUE);
  frame.Check();
}

void TWin32Backend::Run() {
  MSG m;
  while (!FTerminated) {
    const BOOL got = GetMessageA(&m, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (DialogKey(m)) continue;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  FTerminated = true;
}

void TWin32Backend::Terminate() {
  if (!FTerminated) PostQuitMessage(0);
  FTerminated = true;
}

bool TWin32Backend::Terminated() const { return FTerminated; }

TSize TWin32Backend::ScreenSize() const {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

int TWin32Backend::CaptionHeight() const { return GetSystemMetrics(SM_CYCAPTION); }

int TWin32Backend::PixelsPerInch() const {
  HDC dc = GetDC(nullptr);
  const int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return ppi > 0 ? ppi : 96;
}

TSize TWin32Backend::OuterSize(const TCustomForm& Form, TSize Client) const {
  const TStyle s = FormStyle(Form);
  RECT r{0, 0, Client.cx, Client.cy};
  AdjustWindowRectEx(&r, s.Style, FALSE, s.ExStyle);
  return {r.right - r.left, r.bottom - r.top};
}

std::uint32_t TWin32Backend::SysColor(int Index) const {
  return static_cast<std::uint32_t>(GetSysColor(Index));
}

TSize TWin32Backend::TextExtent(const TFont& Font, const std::string& Text) {
  HDC dc = GetDC(nullptr);
  HFONT f = MakeFont(Font, 0);
  HGDIOBJ old = SelectObject(dc, f);
  SIZE s{};
  GetTextExtentPoint32A(dc, Text.c_str(), static_cast<int>(Text.size()), &s);
  SelectObject(dc, old);
  DeleteObject(f);
  ReleaseDC(nullptr, dc);
  return {s.cx, s.cy};
}

int TWin32Backend::ShowMessageBox(const std::string& Text, const std::string& Caption, int Buttons) {
  UINT flags = MB_TASKMODAL | MB_SETFOREGROUND;
  flags |= Buttons == 4 ? (MB_YESNO | MB_ICONQUESTION) : (MB_OK | MB_ICONERROR);
  return ::MessageBoxA(nullptr, Text.c_str(), Caption.c_str(), flags);
}

IFolderBrowser& TWin32Backend::FolderBrowser() {
  if (!FFolderBrowser) FFolderBrowser = CreateWin32FolderBrowser();
  return *FFolderBrowser;
}

TWinControl* Win32ControlOf(THandle H) {
  HWND w = Wnd(H);
  return OwnWindows().count(w) ? ControlOf(w) : nullptr;
}

} // namespace quendel::ui
