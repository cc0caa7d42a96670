// Rich text where no rich-edit control shows it: the licence and readme
// documents read as their plain text, whatever the markup, and a broken or
// hostile document never crashes the page that shows it.
#include "ui/forms.h"
#include "ui/headless.h"
#include "ui/rich_text.h"

#include <gtest/gtest.h>

#include <string>

namespace quendel::ui {
namespace {

TEST(RichText, DocumentsReadAsTheirText) {
  // As a word processor writes it: tables, document information and an
  // optional destination before the text, escaped characters within.
  const std::string doc =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Times;}}\r\n"
      "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator Writer 5.1;}"
      "{\\info{\\author Someone}}\\viewkind4\\uc1\\pard\\b LICENSE\\b0\\par\r\n"
      "\\par\r\n"
      "Gr\\'fc\\'dfe: 5 \\{braces\\} and a \\\\ back\\-slash,\\tab tab\\line\r\n"
      "Euro \\u8364?, \\u228?\\uc0\\u246  \\ldblquote q\\rdblquote\\~end\\par\r\n"
      "{\\pict\\wmetafile8 0100090000}\\bin3 {}}more}";
  EXPECT_EQ(RichTextToPlain(doc), "LICENSE\r\n\r\nGr\xfc\xdf"
                                  "e: 5 {braces} and a \\ backslash,\ttab\r\n"
                                  "Euro ?, \xe4\xf6 \"q\" end\r\nmore");
  EXPECT_TRUE(IsRichText(" \r\n{\\rtf1 x}"));
  EXPECT_FALSE(IsRichText("Plain {\\rtf1 later}"));
  EXPECT_EQ(RichTextToPlain("{\\rtf1 a}after the document"), "a");
}

TEST(RichText, BrokenDocumentsEndTheirTextWithoutFailing) {
  EXPECT_EQ(RichTextToPlain("{\\rtf1 cut in the mid"), "cut in the mid");
  EXPECT_EQ(RichTextToPlain("{\\rtf1 x\\"), "x");
  EXPECT_EQ(RichTextToPlain("{\\rtf1 x\\'4"), "x");
  EXPECT_EQ(RichTextToPlain("{\\rtf1 x\\bin99999999 yz}"), "x");
  EXPECT_EQ(RichTextToPlain("{\\rtf1 x\\u-4064?y\\u99999999999999999999?z}"), "x?y?z");
  EXPECT_EQ(RichTextToPlain("{\\rtf1 x}}}} y"), "x");
  EXPECT_EQ(RichTextToPlain(""), "");
  // Nesting far deeper than any call stack would take.
  const std::string deep = "{\\rtf1 " + std::string(200000, '{') + "deep" + std::string(200000, '}') + "}";
  EXPECT_EQ(RichTextToPlain(deep), "deep");
}

// A rich-edit box keeps the document in its lines (what the definition
// holds) and shows its text; plain text and PlainText show as they are.
TEST(RichText, RichEditShowsThePlainTextWhereTheBackendCannotFormat) {
  THeadlessBackend backend;
  TUiContext context{backend};
  TUiScope scope{context};
  TForm form{nullptr};
  auto* edit = new TRichEdit(&form);
  edit->SetParent(&form);
  form.Show();
  edit->Lines().SetText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\r\n\\b Terms\\b0\\par\r\nOne}");
  EXPECT_EQ(edit->Lines().Count(), 3);
  EXPECT_EQ(backend.Node(edit->Handle())->Text, "Terms\r\nOne");
  edit->Lines().SetText("Not {\\b rich}");
  EXPECT_EQ(backend.Node(edit->Handle())->Text, "Not {\\b rich}\r\n");

  auto* plain = new TRichEdit(&form);
  plain->PlainText = true;
  plain->Lines().SetText("{\\rtf1 kept}");
  plain->SetParent(&form);
  EXPECT_EQ(backend.Node(plain->Handle())->Text, "{\\rtf1 kept}\r\n");
  form.Hide();
}

} // namespace
} // namespace quendel::ui
