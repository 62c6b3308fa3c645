#include <gtest/gtest.h>

#include <clocale>

#include <morvane/StringEX.h>

TEST(StringEX, AddsNoDataToTheStandardString) { EXPECT_EQ(sizeof(StringEX), sizeof(std::string)); }

TEST(StringEX, ConstructsFromCStringsIntegersAndWideText) {
  EXPECT_EQ(StringEX(static_cast<const char*>(nullptr)), "");
  EXPECT_EQ(StringEX("abc"), "abc");
  EXPECT_EQ(StringEX(0), "0");
  EXPECT_EQ(StringEX(-42), "-42");
  EXPECT_EQ(StringEX(2147483647), "2147483647");
  EXPECT_EQ(StringEX(-2147483647 - 1), "-2147483648");  // the 11-character extreme
  EXPECT_EQ(StringEX(L"llvmpipe"), "llvmpipe");
  EXPECT_EQ(StringEX(static_cast<const wchar_t*>(nullptr)), "");
}

TEST(StringEX, ConcatenatesToStringEX) {
  StringEX count(3);
  StringEX text = count + " unfreed layouts.";
  EXPECT_EQ(text, "3 unfreed layouts.");
  EXPECT_EQ("a" + StringEX("b") + 'c', "abc");
  EXPECT_TRUE((StringEX("ab") + StringEX("cd")).StartsWith("abc"));
}

TEST(StringEX, TrimsOnlyBlanks) {
  StringEX text("  \tname \n  ");
  EXPECT_EQ(text.Trim(), "\tname \n");
  StringEX blanks("     ");
  EXPECT_EQ(blanks.Trim(), "");
  StringEX none("x");
  EXPECT_EQ(none.Trim(), "x");
}

TEST(StringEX, StartsWithIsByteWiseAndCaseSensitive) {
  StringEX text("Reading XMesh: a.x");
  EXPECT_TRUE(text.StartsWith("Reading"));
  EXPECT_TRUE(text.StartsWith(""));
  EXPECT_FALSE(text.StartsWith("reading"));
  EXPECT_FALSE(StringEX("ab").StartsWith("abc"));
}
