// StringEX: the engine's 8-bit byte string. It is a std::string with a few
// conversions and helpers and adds no data of its own.
#pragma once

#include <string>

class StringEX : public std::string {
 public:
  using std::string::string;

  StringEX() = default;
  // A null pointer gives an empty string.
  StringEX(const char* text);
  StringEX(const std::string& text) : std::string(text) {}
  StringEX(std::string&& text) : std::string(std::move(text)) {}
  // Converted with the C library's wide-to-multibyte conversion; an
  // unconvertible text gives an empty string.
  explicit StringEX(const wchar_t* text);
  // Decimal text of the value (at most 11 characters).
  explicit StringEX(int value);

  // Removes blanks (character 32 only) at both ends, in place.
  StringEX& Trim();
  // True when the string begins with prefix (byte-wise, case-sensitive).
  bool StartsWith(const std::string& prefix) const;
};

StringEX operator+(const StringEX& a, const StringEX& b);
StringEX operator+(const StringEX& a, const char* b);
StringEX operator+(const char* a, const StringEX& b);
StringEX operator+(const StringEX& a, char b);
