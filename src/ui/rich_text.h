// Rich text (RTF) where no rich-edit control shows it: the licence and readme
// pages hold rich text, which the headless backend (and a Windows without a
// rich-edit library) can only show as plain text.
#pragma once

#include <string>
#include <string_view>

namespace quendel::ui {

// True when Text is a rich-text document: "{\rtf" after leading blanks.
bool IsRichText(std::string_view Text);

// The text of a rich-text document without its markup. Paragraphs and line
// breaks become CR LF, tabs stay, escaped characters (\{ \} \\, \'hh in the
// document's ANSI code page, \uN when it is a Latin-1 character, else its
// stand-in) are kept; font, colour and style tables, document information,
// pictures, embedded objects, fields' instructions and every "\*"
// destination are left out. The input comes from a definition: it never
// fails, markup it does not know is dropped, nesting is not bounded by the
// stack, and a document that ends inside a group ends the text.
std::string RichTextToPlain(std::string_view Text);

} // namespace quendel::ui
