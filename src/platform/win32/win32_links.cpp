#include "platform/win32/win32_links.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h> // after windows.h, whose declarations it uses

#include "platform/win32/win32_error.h"
#include "platform/win32/system_libraries.h"

namespace quendel::platform::win32 {

namespace {

// COM for the calling thread, initialised on first use and released when
// the thread ends. A thread that already runs in the multithreaded apartment
// keeps it (RPC_E_CHANGED_MODE): the shell link works there too, and only a
// successful CoInitialize is ours to balance.
struct TComApartment {
  HRESULT Result;
  TComApartment() : Result(lazy::CoInitialize(nullptr)) {}
  ~TComApartment() {
    if (SUCCEEDED(Result)) lazy::CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;
};

void EnsureCom() {
  thread_local TComApartment apartment;
  (void)apartment;
}

// A COM interface pointer released on every path out.
template <class I> struct TComRef {
  I* Ptr = nullptr;
  TComRef() = default;
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;
  ~TComRef() {
    if (Ptr) Ptr->Release();
  }
  I* operator->() const { return Ptr; }
  void** Out() { return reinterpret_cast<void**>(&Ptr); }
};

void Check(HRESULT result, const char* call, const std::string& args) {
  if (FAILED(result)) ThrowError(call, args, static_cast<LONG>(result));
}

// The link file as IPersistFile wants it: UTF-16 from the ANSI code page,
// at most MAX_PATH characters with the terminator.
void ToWide(const std::string& path, WCHAR (&wide)[MAX_PATH], const char* call,
            const std::string& args) {
  if (::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0)
    Check(HRESULT_FROM_WIN32(::GetLastError()), call, args);
}

void CreateLink(TComRef<IShellLinkA>& link, const std::string& args) {
  EnsureCom();
  Check(lazy::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                           link.Out()),
        "CoCreateInstance", "CLSID_ShellLink, " + args);
}

struct TLibrary {
  HMODULE Handle;
  explicit TLibrary(HMODULE H) : Handle(H) {}
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;
  ~TLibrary() {
    if (Handle) ::FreeLibrary(Handle);
  }
};

} // namespace

void TWin32Links::SaveShellLink(const std::string& linkFile, const TShellLink& link) {
  const std::string args = QuoteArg(linkFile);
  TComRef<IShellLinkA> shellLink;
  CreateLink(shellLink, args);
  Check(shellLink->SetPath(link.Path.c_str()), "IShellLinkA::SetPath", QuoteArg(link.Path));
  Check(shellLink->SetHotkey(link.HotKey), "IShellLinkA::SetHotkey", HexArg(link.HotKey));
  Check(shellLink->SetArguments(link.Arguments.c_str()), "IShellLinkA::SetArguments",
        QuoteArg(link.Arguments));
  Check(shellLink->SetWorkingDirectory(link.WorkingDirectory.c_str()),
        "IShellLinkA::SetWorkingDirectory", QuoteArg(link.WorkingDirectory));
  Check(shellLink->SetDescription(link.Description.c_str()), "IShellLinkA::SetDescription",
        QuoteArg(link.Description));
  if (!link.IconPath.empty())
    Check(shellLink->SetIconLocation(link.IconPath.c_str(), link.IconIndex),
          "IShellLinkA::SetIconLocation",
          QuoteArg(link.IconPath) + ", " + std::to_string(link.IconIndex));
  Check(shellLink->SetShowCmd(link.ShowCommand), "IShellLinkA::SetShowCmd",
        std::to_string(link.ShowCommand));

  TComRef<IPersistFile> persist;
  Check(shellLink->QueryInterface(IID_IPersistFile, persist.Out()), "IShellLinkA::QueryInterface",
        "IID_IPersistFile");
  WCHAR wide[MAX_PATH];
  ToWide(linkFile, wide, "IPersistFile::Save", args);
  Check(persist->Save(wide, TRUE), "IPersistFile::Save", args);
}

TShellLink TWin32Links::LoadShellLink(const std::string& linkFile) {
  const std::string args = QuoteArg(linkFile);
  TComRef<IShellLinkA> shellLink;
  CreateLink(shellLink, args);
  TComRef<IPersistFile> persist;
  Check(shellLink->QueryInterface(IID_IPersistFile, persist.Out()), "IShellLinkA::QueryInterface",
        "IID_IPersistFile");
  WCHAR wide[MAX_PATH];
  ToWide(linkFile, wide, "IPersistFile::Load", args);
  Check(persist->Load(wide, STGM_READ), "IPersistFile::Load", args);

  TShellLink link;
  // INFOTIPSIZE is the longest text the shell keeps for arguments and descriptions.
  char text[INFOTIPSIZE + 1] = {};
  Check(shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH), "IShellLinkA::GetPath", args);
  link.Path = text;
  text[0] = 0;
  Check(shellLink->GetArguments(text, INFOTIPSIZE), "IShellLinkA::GetArguments", args);
  link.Arguments = text;
  text[0] = 0;
  Check(shellLink->GetWorkingDirectory(text, MAX_PATH), "IShellLinkA::GetWorkingDirectory", args);
  link.WorkingDirectory = text;
  text[0] = 0;
  Check(shellLink->GetDescription(text, INFOTIPSIZE), "IShellLinkA::GetDescription", args);
  link.Description = text;
  text[0] = 0;
  int icon = 0;
  Check(shellLink->GetIconLocation(text, MAX_PATH, &icon), "IShellLinkA::GetIconLocation", args);
  link.IconPath = text;
  link.IconIndex = icon;
  WORD hotKey = 0;
  Check(shellLink->GetHotkey(&hotKey), "IShellLinkA::GetHotkey", args);
  link.HotKey = hotKey;
  int show = swShowNormal;
  Check(shellLink->GetShowCmd(&show), "IShellLinkA::GetShowCmd", args);
  link.ShowCommand = show;
  return link;
}

void TWin32Links::WriteInternetShortcut(const std::string& linkFile, const std::string& url) {
  const std::string args =
      "\"InternetShortcut\", \"URL\", " + QuoteArg(url) + ", " + QuoteArg(linkFile);
  if (!::WritePrivateProfileStringA("InternetShortcut", "URL", url.c_str(), linkFile.c_str()))
    ThrowLastError("WritePrivateProfileStringA", args);
  // The profile calls may cache the file; write it out before anyone reads it.
  ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, linkFile.c_str());
}

std::string TWin32Links::ReadInternetShortcut(const std::string& linkFile) {
  const std::string args = "\"InternetShortcut\", \"URL\", " + QuoteArg(linkFile);
  if (::GetFileAttributesA(linkFile.c_str()) == INVALID_FILE_ATTRIBUTES)
    ThrowLastError("GetPrivateProfileStringA", args);
  // A default that no URL can be tells a missing key from an empty one.
  static const char kMissing[] = "\x01";
  char value[4096] = {};
  ::GetPrivateProfileStringA("InternetShortcut", "URL", kMissing, value, sizeof value,
                             linkFile.c_str());
  if (std::string(value) == kMissing)
    ThrowError("GetPrivateProfileStringA", args, ERROR_FILE_NOT_FOUND);
  return value;
}

void TWin32Links::MakeHardLink(const std::string& newName, const std::string& existing) {
  const std::string args = QuoteArg(newName) + ", " + QuoteArg(existing) + ", NULL";
  TLibrary kernel(::LoadLibraryA("kernel32.dll"));
  if (!kernel.Handle) ThrowLastError("LoadLibraryA", "\"kernel32.dll\"");
  using TCreateHardLinkA = BOOL(WINAPI*)(LPCSTR, LPCSTR, LPSECURITY_ATTRIBUTES);
  const auto create = reinterpret_cast<TCreateHardLinkA>(
      reinterpret_cast<void*>(::GetProcAddress(kernel.Handle, "CreateHardLinkA")));
  if (!create) ThrowLastError("GetProcAddress", "\"CreateHardLinkA\"");
  if (!create(newName.c_str(), existing.c_str(), nullptr)) ThrowLastError("CreateHardLinkA", args);
}

} // namespace quendel::platform::win32
