// Drives a running setup program's wizard from outside, as a user would:
// finds its windows, reads and types texts, selects list items, presses
// buttons, answers message boxes, watches the copy form's progress bars and
// takes screenshots. The walk is given as steps on the command line, so the
// test script decides the pages and the language of their texts.
//
//   wizard_driver [--timeout SECONDS] [--shots DIR] STEP...
//
//   page=CAPTION     wait until a visible top-level window of the setup
//                    program has this caption; it becomes the current window
//   click=TEXT       press the visible, enabled button with this text ("&"
//                    ignored) in the current window
//   type=TEXT        set the text of the current window's visible one-line edit
//   select=ITEM      select ITEM in its visible list box, as a click does
//   memo=TEXT        its visible read-only multi-line edit holds TEXT
//   edit=TEXT        its visible one-line edit reads exactly TEXT
//   items=N          its visible list box has at least N items (printed)
//   button=TEXT      a visible button with this text exists (enabled or not)
//   nobutton=TEXT    no visible button with this text
//   shot=NAME        the current window into DIR/NAME.bmp
//   progress=CAPTION wait for that window, then read its progress bars until
//                    it closes: both must have moved, never backwards
//   box=ID           wait for a message box, print its text and press the
//                    button with that identifier (1 OK, 6 Yes, 7 No)
//   gone             wait until the setup program has no window left
//
// Exit code 0 when every step passed, 1 at the first that did not (with a
// screenshot of the screen as DIR/failure.bmp), 2 for a bad command line.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kFormClass = "QuendelForm";
DWORD TimeoutMs = 30000;
std::string ShotDir;
HWND Current = nullptr;

struct TStepFailed {
  std::string Why;
};

[[noreturn]] void Fail(const std::string& Why) { throw TStepFailed{Why}; }

std::string ClassOf(HWND W) {
  char buf[256] = {};
  GetClassNameA(W, buf, sizeof buf);
  return buf;
}

// WM_GETTEXT, which reaches an edit box of another process (GetWindowText
// does not).
std::string TextOf(HWND W) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutA(W, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) return "";
  std::string s(len + 1, '\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutA(W, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(s.data()), SMTO_ABORTIFHUNG,
                      5000, &got);
  s.resize(std::min<std::size_t>(got, len));
  return s;
}

std::string WithoutAmpersands(std::string S) {
  S.erase(std::remove(S.begin(), S.end(), '&'), S.end());
  return S;
}

struct TFind {
  const char* Class;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectTopLevel(HWND W, LPARAM P) {
  auto* f = reinterpret_cast<TFind*>(P);
  if (IsWindowVisible(W) && ClassOf(W) == f->Class) f->Found.push_back(W);
  return TRUE;
}

BOOL CALLBACK CollectVisible(HWND W, LPARAM P) {
  if (IsWindowVisible(W)) reinterpret_cast<std::vector<HWND>*>(P)->push_back(W);
  return TRUE;
}

std::vector<HWND> TopLevel(const char* Class) {
  TFind f{Class, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&f));
  return f.Found;
}

std::vector<HWND> VisibleChildren(HWND Parent) {
  std::vector<HWND> found;
  EnumChildWindows(Parent, CollectVisible, reinterpret_cast<LPARAM>(&found));
  return found;
}

template <class Pred> HWND WaitFor(Pred Found, const std::string& What) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND w = Found()) return w;
    if (GetTickCount() - start > TimeoutMs) Fail("timed out waiting for " + What);
    Sleep(20);
  }
}

HWND FindPage(const std::string& Caption) {
  for (HWND w : TopLevel(kFormClass))
    if (TextOf(w) == Caption) return w;
  return nullptr;
}

void NeedCurrent() {
  if (!Current || !IsWindow(Current)) Fail("no current window (a page= step comes first)");
}

bool IsButton(HWND W) {
  const LONG style = GetWindowLongA(W, GWL_STYLE) & 0x0F;
  return ClassOf(W) == "Button" || ClassOf(W) == "BUTTON" ? style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON
                                                          : false;
}

HWND FindButton(HWND In, const std::string& Text) {
  for (HWND w : VisibleChildren(In))
    if (IsButton(w) && WithoutAmpersands(TextOf(w)) == WithoutAmpersands(Text)) return w;
  return nullptr;
}

bool IsClass(HWND W, const char* Class) { return lstrcmpiA(ClassOf(W).c_str(), Class) == 0; }

// An edit box, or for multi-line text also a rich-edit box (the licence and
// readme pages).
HWND FindEdit(HWND In, bool Multiline) {
  for (HWND w : VisibleChildren(In)) {
    const bool edit = IsClass(w, "Edit") ||
                      (Multiline && (IsClass(w, "RichEdit20A") || IsClass(w, "RICHEDIT50W")));
    if (edit && ((GetWindowLongA(w, GWL_STYLE) & ES_MULTILINE) != 0) == Multiline) return w;
  }
  return nullptr;
}

HWND FindChildOfClass(HWND In, const char* Class) {
  for (HWND w : VisibleChildren(In))
    if (IsClass(w, Class)) return w;
  return nullptr;
}

std::vector<std::string> ListItems(HWND List) {
  // The items come back as UTF-16 through the ANSI call, so ask in UTF-16.
  std::vector<std::string> items;
  const int n = static_cast<int>(SendMessageW(List, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    const int len = static_cast<int>(SendMessageW(List, LB_GETTEXTLEN, i, 0));
    if (len < 0) continue;
    std::wstring w(static_cast<std::size_t>(len) + 1, L'\0');
    SendMessageW(List, LB_GETTEXT, i, reinterpret_cast<LPARAM>(w.data()));
    w.resize(static_cast<std::size_t>(len));
    std::string s(static_cast<std::size_t>(len) * 2 + 1, '\0');
    const int m = WideCharToMultiByte(CP_ACP, 0, w.c_str(), len, s.data(), static_cast<int>(s.size()),
                                      nullptr, nullptr);
    s.resize(static_cast<std::size_t>(std::max(m, 0)));
    items.push_back(s);
  }
  return items;
}

// The window's pixels as they are on the screen, into a 24-bit BMP.
void Screenshot(HWND W, const std::string& Name) {
  if (ShotDir.empty()) return;
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (W) GetWindowRect(W, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) Fail("window " + Name + " has no size to take");
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h; // bottom-up, as a BMP file stores it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  const DWORD size = stride * static_cast<DWORD>(h);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + size;
  const std::string path = ShotDir + "\\" + Name + ".bmp";
  FILE* f = std::fopen(path.c_str(), "wb");
  const bool ok = f && std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
                  std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
                  std::fwrite(bits, 1, size, f) == size;
  if (f) std::fclose(f);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  if (!ok) Fail("cannot write " + path);
  std::printf("  screenshot %s (%dx%d)\n", path.c_str(), w, h);
}

// Reads the copy form's two bars as often as it can until the form closes.
void WatchProgress(const std::string& Caption) {
  HWND form = WaitFor([&] { return FindPage(Caption); }, "the window \"" + Caption + "\"");
  Current = form;
  std::vector<HWND> bars;
  for (HWND w : VisibleChildren(form))
    if (IsClass(w, PROGRESS_CLASSA)) bars.push_back(w);
  if (bars.size() != 2) Fail(Caption + " shows " + std::to_string(bars.size()) + " progress bars, not 2");
  std::vector<int> last(bars.size(), -1);
  std::vector<int> changes(bars.size(), 0);
  std::vector<int> highest(bars.size(), 0);
  bool shot = false;
  const DWORD start = GetTickCount();
  while (IsWindow(form) && IsWindowVisible(form)) {
    for (std::size_t i = 0; i < bars.size(); ++i) {
      DWORD_PTR pos = 0;
      if (!SendMessageTimeoutA(bars[i], PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &pos)) continue;
      const int p = static_cast<int>(pos);
      if (p == last[i]) continue;
      // The total bar never goes back; the file bar starts again per file.
      if (i == 1 && last[i] >= 0 && p < last[i])
        Fail("the total progress went back from " + std::to_string(last[i]) + " to " + std::to_string(p));
      if (last[i] >= 0) ++changes[i];
      last[i] = p;
      highest[i] = std::max(highest[i], p);
    }
    if (!shot && last[1] > 0 && last[1] < 100) {
      Screenshot(form, "progress");
      shot = true;
    }
    if (GetTickCount() - start > TimeoutMs) Fail(Caption + " stayed open too long");
    Sleep(1);
  }
  std::printf("  file bar moved %d times (up to %d), total bar %d times (up to %d), in %lu ms\n", changes[0],
              highest[0], changes[1], highest[1], static_cast<unsigned long>(GetTickCount() - start));
  if (changes[0] < 1 || changes[1] < 1) Fail("the progress bars did not move");
  if (!shot) Fail("no screenshot of the progress: the copy never showed a partial total");
}

void Step(const std::string& Arg) {
  const auto eq = Arg.find('=');
  const std::string verb = Arg.substr(0, eq);
  const std::string value = eq == std::string::npos ? "" : Arg.substr(eq + 1);
  std::printf("step %s\n", Arg.c_str());
  std::fflush(stdout);
  if (verb == "page") {
    Current = WaitFor([&] { return FindPage(value); }, "the page \"" + value + "\"");
    // Let the page finish drawing before anything is read or taken.
    Sleep(300);
    return;
  }
  if (verb == "gone") {
    WaitFor([] { return TopLevel(kFormClass).empty() ? GetDesktopWindow() : nullptr; },
            "the setup program's windows to close");
    return;
  }
  if (verb == "box") {
    HWND box = WaitFor([] { auto b = TopLevel("#32770"); return b.empty() ? nullptr : b.front(); },
                       "a message box");
    Sleep(300);
    std::string text;
    for (HWND w : VisibleChildren(box))
      if (IsClass(w, "Static")) text += TextOf(w);
    std::printf("  message box \"%s\": %s\n", TextOf(box).c_str(), text.c_str());
    Screenshot(box, "box_" + value);
    HWND b = GetDlgItem(box, std::atoi(value.c_str()));
    if (!b) Fail("the message box has no button " + value);
    PostMessageA(b, BM_CLICK, 0, 0);
    return;
  }
  if (verb == "progress") {
    WatchProgress(value);
    return;
  }
  NeedCurrent();
  if (verb == "click") {
    HWND b = FindButton(Current, value);
    if (!b) Fail("no visible button \"" + value + "\"");
    if (!IsWindowEnabled(b)) Fail("the button \"" + value + "\" is disabled");
    // Posted: the program's answer may be a modal loop or the whole install.
    PostMessageA(b, BM_CLICK, 0, 0);
    Sleep(200);
  } else if (verb == "button" || verb == "nobutton") {
    if ((FindButton(Current, value) != nullptr) != (verb == "button"))
      Fail(verb == "button" ? "no visible button \"" + value + "\"" : "a visible button \"" + value + "\"");
  } else if (verb == "type") {
    HWND e = FindEdit(Current, false);
    if (!e) Fail("no visible edit box");
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(e, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()), SMTO_ABORTIFHUNG, 5000,
                             &r))
      Fail("the edit box did not take the text");
  } else if (verb == "edit") {
    HWND e = FindEdit(Current, false);
    if (!e) Fail("no visible edit box");
    if (TextOf(e) != value) Fail("the edit box reads \"" + TextOf(e) + "\"");
  } else if (verb == "memo") {
    HWND e = FindEdit(Current, true);
    if (!e) Fail("no visible multi-line text");
    const std::string text = TextOf(e);
    if (text.find(value) == std::string::npos) Fail("the text does not hold \"" + value + "\": " + text);
  } else if (verb == "items" || verb == "select") {
    HWND list = FindChildOfClass(Current, "ListBox");
    if (!list) Fail("no visible list box");
    const std::vector<std::string> items = ListItems(list);
    for (const std::string& s : items) std::printf("  item \"%s\"\n", s.c_str());
    if (verb == "items") {
      if (static_cast<int>(items.size()) < std::atoi(value.c_str()))
        Fail("the list has " + std::to_string(items.size()) + " items");
      return;
    }
    const auto it = std::find(items.begin(), items.end(), value);
    if (it == items.end()) Fail("the list has no item \"" + value + "\"");
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(it - items.begin()), 0);
    // What a click on the item sends the list's parent.
    PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    Sleep(100);
  } else if (verb == "shot") {
    Screenshot(Current, value);
  } else {
    std::fprintf(stderr, "unknown step %s\n", Arg.c_str());
    std::exit(2);
  }
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> steps;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--timeout" && i + 1 < argc)
      TimeoutMs = static_cast<DWORD>(std::atoi(argv[++i])) * 1000;
    else if (a == "--shots" && i + 1 < argc)
      ShotDir = argv[++i];
    else
      steps.push_back(a);
  }
  if (steps.empty()) {
    std::fprintf(stderr, "usage: wizard_driver [--timeout S] [--shots DIR] STEP...\n");
    return 2;
  }
  for (const std::string& s : steps) {
    try {
      Step(s);
    } catch (const TStepFailed& e) {
      std::printf("FAIL at %s: %s\n", s.c_str(), e.Why.c_str());
      std::fflush(stdout);
      try {
        Screenshot(nullptr, "failure");
      } catch (const TStepFailed&) {
      }
      return 1;
    }
  }
  std::printf("all %d steps passed\n", static_cast<int>(steps.size()));
  return 0;
}
