// Text, token and path helpers shared by every layer.
//
// Texts are 8-bit strings in the Windows ANSI code page (1252). Paths use
// Windows semantics: "\" separates directories, "X:" names a drive, "\\server\share"
// names a network share; "/" is accepted as a separator too, since it can never be
// part of a Windows file name.
#pragma once

#include "core/event.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quendel {

// ---- Backslashes --------------------------------------------------------------

// Appends "\" to a non-empty text that does not already end in "\".
std::string AddBackslash(std::string_view Text);
// Removes one trailing "\" (so "C:\" becomes "C:").
std::string RemoveBackslash(std::string_view Text);

// ---- Delimited fields -----------------------------------------------------------
//
// A text is a list of fields separated by Delimiter; empty fields count. A single
// trailing delimiter ends the list instead of opening an empty last field, so
// "a;b;" and "a;b" both hold two fields, while "a;;b" holds three. The empty text
// holds no field.

// The N-th field, counted from 1; "" when there are fewer fields (or N < 1).
std::string GetToken(std::string_view Text, int N, char Delimiter = ';');
// The number of fields: the number of delimiters plus one, less one when the text
// ends in the delimiter; 0 for the empty text.
int CountTokens(std::string_view Text, char Delimiter = ';');
// All fields, in order (exactly CountTokens of them).
std::vector<std::string> SplitToList(std::string_view Text, char Delimiter = ';');
// The same into a string list (anything with Clear() and Add()), which is cleared first.
template <class TList> void SplitToList(std::string_view Text, TList& List, char Delimiter = ';') {
  List.Clear();
  for (const std::string& Field : SplitToList(Text, Delimiter))
    List.Add(Field);
}
// The text after the first ":", or the whole text when it has none.
std::string TextAfterColon(std::string_view Text);

// ---- Names -------------------------------------------------------------------

// A text usable as a file or folder name: "/" becomes "-", then the characters
// " * : ; < > ? \ | are removed; every other character stays.
std::string MakeValidName(std::string_view Text);

// Answers whether a name is already in use.
using TNameTakenFunc = TFunctionRef<bool(const std::string&)>;

// The first of Base, Base1, Base2, ... that IsTaken refuses. Whether "taken" ignores
// case is the predicate's business (component names do; see the overload below).
// Raises EComponentError if every number up to the largest int is taken.
std::string UniqueName(std::string_view Base, const TNameTakenFunc& IsTaken);
// The same against a list of names in use, compared ignoring case (ANSI).
std::string UniqueName(std::string_view Base, const std::vector<std::string>& Taken);

// The name an install file's component is built from: "IF" + the file name without
// its extension + "_" + the extension without its dot, keeping only the ASCII
// letters, digits and "_" of both (so the result is always an identifier).
// FileName may be a bare name or a path; only its file-name part is used. The
// extension is what follows the last dot, so "readme" gives "IFreadme_",
// "my.data.txt" gives "IFmydata_txt" and ".cfg" gives "IF_cfg".
std::string InstallFileBaseName(std::string_view FileName);
// The first free name among InstallFileBaseName(FileName) followed by nothing, 1, 2, ...
std::string UniqueInstallFileName(std::string_view FileName, const TNameTakenFunc& IsTaken);

// ---- Case (ANSI code page 1252) ----------------------------------------------
//
// The Ansi forms map every letter of the code page that has a partner in it:
// a-z, the accented letters 0xE0-0xFE (not 0xF7, the division sign) to 0xC0-0xDE,
// and the four pairs š/Š (0x9A/0x8A), œ/Œ (0x9C/0x8C), ž/Ž (0x9E/0x8E) and ÿ/Ÿ
// (0xFF/0x9F). ß, µ and ƒ have no partner and stay. The plain forms map a-z only.

char AnsiUpperChar(char C);
char AnsiLowerChar(char C);
std::string AnsiUpperCase(std::string_view Text);
std::string AnsiLowerCase(std::string_view Text);
std::string UpperCase(std::string_view Text);
std::string LowerCase(std::string_view Text);

// Compares ignoring case (ANSI): byte order of the upper-cased texts; a text that
// is a prefix of the other sorts first. <0, 0 or >0.
int CompareText(std::string_view A, std::string_view B);
bool SameText(std::string_view A, std::string_view B);
// Whether Text starts / ends with SubText, ignoring case (ANSI).
bool StartsText(std::string_view SubText, std::string_view Text);
bool EndsText(std::string_view SubText, std::string_view Text);

// Removes control characters and spaces (every byte up to 0x20) at both ends,
// at the start, or at the end.
std::string Trim(std::string_view Text);
std::string TrimLeft(std::string_view Text);
std::string TrimRight(std::string_view Text);

// ---- Numbers -----------------------------------------------------------------

std::string IntToStr(std::int64_t Value);
// Decimal, or hexadecimal after "$" or "0x"; an optional sign; leading and trailing
// blanks allowed. False (Value untouched) when the text is not a number that fits
// an int.
bool TryStrToInt(std::string_view Text, int& Value);
// The same, raising EConvertError on failure.
int StrToInt(std::string_view Text);
// The same, giving Default on failure.
int StrToIntDef(std::string_view Text, int Default);

// ---- Paths -------------------------------------------------------------------

// The drive part: "C:" of "C:\dir\file", "\\server\share" of "\\server\share\dir\file";
// "" for a relative path.
std::string ExtractFileDrive(std::string_view FileName);
// Everything up to and including the last "\", "/" or ":" ("C:\dir\" of "C:\dir\a.txt").
std::string ExtractFilePath(std::string_view FileName);
// The directory without its trailing separator, except at a root: "C:\dir" of
// "C:\dir\a.txt", but "C:\" of "C:\a.txt".
std::string ExtractFileDir(std::string_view FileName);
// The part after the last "\", "/" or ":".
std::string ExtractFileName(std::string_view FileName);
// The extension with its dot (".txt"); "" when the file name part has no dot.
std::string ExtractFileExt(std::string_view FileName);
// Replaces the extension (Extension includes its dot, or is "" to remove it); adds
// it when the name has none.
std::string ChangeFileExt(std::string_view FileName, std::string_view Extension);

} // namespace quendel
