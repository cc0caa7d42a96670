#include "core/exceptions.h"
#include "core/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace quendel {
namespace {

TEST(Format, Specifiers_RenderAsTheMessagesExpect) {
  EXPECT_EQ(Format("Class %s not found", {"TFoo"}), "Class TFoo not found");
  EXPECT_EQ(Format("%d of %d (%d%%)", {3, 10, 30}), "3 of 10 (30%)");
  EXPECT_EQ(Format("%x/%X", {255, 48879}), "ff/BEEF");
  EXPECT_EQ(Format("%x", {-1}), "ffffffff"); // a 32-bit value's two's complement
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("[%5s][%-5s][%.2s]", {"ab", "ab", "abc"}), "[   ab][ab   ][ab]");
  EXPECT_EQ(Format("%.4d|%3d|%.8x", {-7, 5, 0x1A}), "-0007|  5|0000001a");
  EXPECT_EQ(Format("%.1f", {2.25}), "2.2");
  EXPECT_EQ(Format("no arguments", {}), "no arguments");
  EXPECT_EQ(Format("%S", {"upper-case specifier"}), "upper-case specifier");
  EXPECT_EQ(Format("100%%", {}), "100%");
}

#ifdef __GLIBC__
// Every specifier with every flag, width and precision it takes, against the
// C library's printf for the same 32-bit values and doubles.
TEST(Format, Directives_MatchTheCLibrary) {
  std::mt19937 rng(16);
  char want[600];
  for (int n = 0; n < 3000; ++n) {
    std::string directive = "%";
    if (rng() % 2) directive += '-';
    if (rng() % 2) directive += std::to_string(rng() % 30);
    const char conv = "duxXfs"[rng() % 6];
    // (a float without a precision has two decimals here, six in C)
    if (conv == 'f' || rng() % 2) directive += "." + std::to_string(rng() % 25);
    directive += conv;
    const auto i = static_cast<std::int32_t>(rng() >> (rng() % 32));
    const double d = std::ldexp(static_cast<double>(static_cast<std::int32_t>(rng())),
                                static_cast<int>(rng() % 80) - 60);
    if (conv == 'f')
      std::snprintf(want, sizeof want, directive.c_str(), d);
    else if (conv == 's')
      std::snprintf(want, sizeof want, directive.c_str(), "some text");
    else
      std::snprintf(want, sizeof want, directive.c_str(), i);
    const std::string got = conv == 'f'   ? Format(directive, {d})
                            : conv == 's' ? Format(directive, {"some text"})
                                          : Format(directive, {i});
    ASSERT_EQ(got, want) << directive;
  }
}
#endif

TEST(Format, Mismatch_RaisesInsteadOfMisreading) {
  EXPECT_THROW(Format("%s and %s", {"one"}), EConvertError);
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {42}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  EXPECT_THROW(Format("trailing %", {}), EConvertError);
}

TEST(Format, Safe_CopiesWhatItCannotServe) {
  EXPECT_EQ(FormatSafe("%s and %s", {"one"}), "one and %s");
  EXPECT_EQ(FormatSafe("%d then %s", {"text", "b"}), "%d then b");
  EXPECT_EQ(FormatSafe("100%", {}), "100%");
  EXPECT_EQ(FormatSafe("%999999999d", {1}).size(), 4096u); // absurd widths are capped
}

TEST(Exceptions, Families_AndTranslationBeforeFormatting) {
  auto previous = SetTranslateHook([](const std::string& s) {
    return s == "Cannot open %s" ? std::string("Kann %s nicht oeffnen") : s;
  });
  try {
    throw IException("Cannot open %s", {"a.txt"});
  } catch (const ECustomQuendelAbnormal& e) {
    EXPECT_STREQ(e.what(), "Kann a.txt nicht oeffnen");
  }
  // The translation may bring its own mistakes; they must not crash.
  SetTranslateHook([](const std::string&) { return std::string("%s %s %d"); });
  EXPECT_STREQ(IException("Cannot open %s", {"a"}).what(), "a %s %d");
  SetTranslateHook([](const std::string&) -> std::string { throw std::runtime_error("x"); });
  EXPECT_STREQ(IException("plain").what(), "plain");
  SetTranslateHook(previous);

  EXPECT_STREQ(EAIUserAbort().what(), "Installation aborted by the user");
  EXPECT_STREQ(EUserAbortInstall().what(), "Creating Install Aborted!");
  // Family membership decides which handler catches what.
  EXPECT_THROW(throw EAIUserAbort(), EAI);
  EXPECT_THROW(throw EAI("x"), ECustomQuendelAbnormal);
  EXPECT_THROW(throw EQuendelAbnormal("x"), ECustomQuendelAbnormal);
  bool abortIsOurs = std::is_base_of_v<ECustomQuendelAbnormal, EAbort>;
  EXPECT_FALSE(abortIsOurs); // a silent abort is not an install error
  EXPECT_STREQ(EQuendelAbnormal("%d%%", {5}).what(), "5%");
}

} // namespace
} // namespace quendel
