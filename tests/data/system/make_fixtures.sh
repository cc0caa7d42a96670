#!/usr/bin/env bash
# Makes the small PE files the version-resource tests read. Each is a DLL with
# no code to speak of and one hand-written version resource.
# Needs the MinGW-w64 i686 tools (scripts/setup installs them).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo 'int __stdcall DllMain(void* h, unsigned r, void* p) { (void)h; (void)r; (void)p; return 1; }' >"$work/stub.c"
i686-w64-mingw32-gcc -c -O2 -o "$work/stub.o" "$work/stub.c"

make() { # name rc-text
  printf '%s\n' "$2" >"$work/$1.rc"
  i686-w64-mingw32-windres -i "$work/$1.rc" -o "$work/$1.res.o"
  i686-w64-mingw32-gcc -shared -nostdlib -s -Wl,--entry,_DllMain@12 \
    -o "$1.dll" "$work/stub.o" "$work/$1.res.o"
}

# Fixed version 5.0.2195.1, product 5.0.0.0, a driver (type 3, sub-type 7);
# the string table under 0409/04E4 says another file version.
make ver_ansi_table '
1 VERSIONINFO
FILEVERSION 5,0,2195,1
PRODUCTVERSION 5,0,0,0
FILEOS 0x40004
FILETYPE 0x3
FILESUBTYPE 0x7
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "Comment", "A comment\0"
      VALUE "CompanyName", "Quendel Test Company\0"
      VALUE "FileDescription", "Fixture with a 1252 table\0"
      VALUE "FileVersion", "9.9.9.9\0"
      VALUE "InternalName", "ver_ansi_table\0"
      VALUE "LegalCopyright", "\251 2001 Nobody\0"
      VALUE "LegalTradeMarks", "None\0"
      VALUE "OriginalFileName", "ver_ansi_table.dll\0"
      VALUE "PrivateBuild", "private\0"
      VALUE "ProductName", "Quendel Fixtures\0"
      VALUE "ProductVersion", "5.0 beta\0"
      VALUE "SpecialBuild", "special\0"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0409, 1252
  END
END'

# The usual layout: a Unicode table (0409/04B0) with "Comments", a font.
make ver_unicode_table '
1 VERSIONINFO
FILEVERSION 1,2,3,4
PRODUCTVERSION 1,2,0,0
FILEOS 0x4
FILETYPE 0x4
FILESUBTYPE 0x3
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904B0"
    BEGIN
      VALUE "Comments", "Only the usual name\0"
      VALUE "CompanyName", "Unicode Company\0"
      VALUE "ProductVersion", "1.2 release\0"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0C07, 1200
  END
END'

# A German table next to nothing else; an application of an unknown OS.
make ver_german '
1 VERSIONINFO
FILEVERSION 2,10,0,65535
PRODUCTVERSION 2,10,0,0
FILEOS 0x12345
FILETYPE 0x1
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040704E4"
    BEGIN
      VALUE "CompanyName", "Deutsche Firma\0"
    END
  END
END'

# No version resource at all.
make ver_none '
STRINGTABLE
BEGIN
  1 "not a version"
END'
