// The few calls the programs make into the common controls, the component
// object libraries and the shell, each loaded on its first use instead of
// at the program's start. Loading them costs every start: the common
// controls' initialisation opens the desktop (under Wine it starts the
// desktop process and waits for it), and the object libraries bring the
// RPC runtime with them. A quiet install that makes no shortcut and
// registers no type library never needs any of them.
//
// Each function behaves as the system's of the same name; when its library
// or the function cannot be found it fails as the system's would fail
// (an HRESULT or FALSE with the last error set, a null result), so callers
// keep their own error handling.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <oleauto.h>
#include <shlobj.h>

namespace quendel::platform::win32::lazy {

// comctl32
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* Controls);

// ole32
HRESULT CoInitialize(LPVOID Reserved);
HRESULT CoInitializeEx(LPVOID Reserved, DWORD Mode);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID Class, LPUNKNOWN Outer, DWORD Context, REFIID Interface,
                         LPVOID* Object);
void CoTaskMemFree(LPVOID Memory);
HRESULT OleInitialize(LPVOID Reserved);
void OleUninitialize();

// oleaut32
HRESULT LoadTypeLib(LPCOLESTR File, ITypeLib** Library);
HRESULT RegisterTypeLib(ITypeLib* Library, LPOLESTR FullPath, LPOLESTR HelpDir);
HRESULT UnRegisterTypeLib(REFGUID Library, WORD Major, WORD Minor, LCID Locale, SYSKIND Kind);
void SysFreeString(BSTR Text);

// shell32
LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA Info);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST Items, LPSTR Path);
HRESULT SHGetSpecialFolderLocation(HWND Owner, int Folder, LPITEMIDLIST* Items);

} // namespace quendel::platform::win32::lazy
