#include "platform/win32/system_libraries.h"

namespace quendel::platform::win32::lazy {

namespace {

// A system library, loaded once from the system directory (never from the
// program's own directory, where a setup program often lies among
// downloads). The common controls are found through the program's
// manifest, which picks their version 6. Systems that know no
// LOAD_LIBRARY_SEARCH_SYSTEM32 refuse the flag; they search as before.
HMODULE Library(const char* Name) {
  HMODULE Module = ::LoadLibraryExA(Name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!Module && ::GetLastError() == ERROR_INVALID_PARAMETER) Module = ::LoadLibraryA(Name);
  return Module;
}

// The address of Name in Module, or null with the last error set.
FARPROC Find(HMODULE Module, const char* Name) {
  return Module ? ::GetProcAddress(Module, Name) : nullptr;
}

HMODULE ComCtl() {
  static const HMODULE Module = Library("comctl32.dll");
  return Module;
}
HMODULE Ole() {
  static const HMODULE Module = Library("ole32.dll");
  return Module;
}
HMODULE OleAut() {
  static const HMODULE Module = Library("oleaut32.dll");
  return Module;
}
HMODULE Shell() {
  static const HMODULE Module = Library("shell32.dll");
  return Module;
}

// The function's address as its own type; the cast through void* keeps
// GCC's function-cast warning quiet.
template <class F> F Cast(FARPROC P) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(P));
}

// Why a call could not be made, as an HRESULT.
HRESULT Missing() {
  const DWORD Error = ::GetLastError();
  return HRESULT_FROM_WIN32(Error != 0 ? Error : ERROR_PROC_NOT_FOUND);
}

} // namespace

// Each entry is looked up once (a function-local static); a library that
// could not be loaded stays missing for the program's life.
#define QUENDEL_LAZY(LIB, NAME)                                                                    \
  static const auto Fn = Cast<decltype(&::NAME)>(Find(LIB(), #NAME))

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* Controls) {
  QUENDEL_LAZY(ComCtl, InitCommonControlsEx);
  return Fn ? Fn(Controls) : FALSE;
}

HRESULT CoInitialize(LPVOID Reserved) {
  QUENDEL_LAZY(Ole, CoInitialize);
  return Fn ? Fn(Reserved) : Missing();
}

HRESULT CoInitializeEx(LPVOID Reserved, DWORD Mode) {
  QUENDEL_LAZY(Ole, CoInitializeEx);
  return Fn ? Fn(Reserved, Mode) : Missing();
}

void CoUninitialize() {
  QUENDEL_LAZY(Ole, CoUninitialize);
  if (Fn) Fn();
}

HRESULT CoCreateInstance(REFCLSID Class, LPUNKNOWN Outer, DWORD Context, REFIID Interface,
                         LPVOID* Object) {
  QUENDEL_LAZY(Ole, CoCreateInstance);
  if (Fn) return Fn(Class, Outer, Context, Interface, Object);
  if (Object) *Object = nullptr;
  return Missing();
}

void CoTaskMemFree(LPVOID Memory) {
  QUENDEL_LAZY(Ole, CoTaskMemFree);
  if (Fn) Fn(Memory);
}

HRESULT OleInitialize(LPVOID Reserved) {
  QUENDEL_LAZY(Ole, OleInitialize);
  return Fn ? Fn(Reserved) : Missing();
}

void OleUninitialize() {
  QUENDEL_LAZY(Ole, OleUninitialize);
  if (Fn) Fn();
}

HRESULT LoadTypeLib(LPCOLESTR File, ITypeLib** Library) {
  QUENDEL_LAZY(OleAut, LoadTypeLib);
  if (Fn) return Fn(File, Library);
  if (Library) *Library = nullptr;
  return Missing();
}

HRESULT RegisterTypeLib(ITypeLib* Library, LPOLESTR FullPath, LPOLESTR HelpDir) {
  QUENDEL_LAZY(OleAut, RegisterTypeLib);
  return Fn ? Fn(Library, FullPath, HelpDir) : Missing();
}

HRESULT UnRegisterTypeLib(REFGUID Library, WORD Major, WORD Minor, LCID Locale, SYSKIND Kind) {
  QUENDEL_LAZY(OleAut, UnRegisterTypeLib);
  return Fn ? Fn(Library, Major, Minor, Locale, Kind) : Missing();
}

void SysFreeString(BSTR Text) {
  // Nothing was allocated by a library that never loaded.
  if (!Text) return;
  QUENDEL_LAZY(OleAut, SysFreeString);
  if (Fn) Fn(Text);
}

LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA Info) {
  QUENDEL_LAZY(Shell, SHBrowseForFolderA);
  return Fn ? Fn(Info) : nullptr;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST Items, LPSTR Path) {
  QUENDEL_LAZY(Shell, SHGetPathFromIDListA);
  return Fn ? Fn(Items, Path) : FALSE;
}

HRESULT SHGetSpecialFolderLocation(HWND Owner, int Folder, LPITEMIDLIST* Items) {
  QUENDEL_LAZY(Shell, SHGetSpecialFolderLocation);
  if (Fn) return Fn(Owner, Folder, Items);
  if (Items) *Items = nullptr;
  return Missing();
}

#undef QUENDEL_LAZY

} // namespace quendel::platform::win32::lazy
