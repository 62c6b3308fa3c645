#include <morvane/StringEX.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

StringEX::StringEX(const char* text) {
  if (text) assign(text);
}

StringEX::StringEX(const wchar_t* text) {
  if (!text) return;
  size_t length = std::wcstombs(nullptr, text, 0);
  if (length == static_cast<size_t>(-1)) return;
  resize(length);
  std::wcstombs(&(*this)[0], text, length + 1);
}

StringEX::StringEX(int value) {
  char buffer[12];
  int length = std::snprintf(buffer, sizeof(buffer), "%d", value);
  assign(buffer, static_cast<size_t>(length));
}

StringEX& StringEX::Trim() {
  size_t first = find_first_not_of(' ');
  if (first == npos) {
    clear();
    return *this;
  }
  erase(find_last_not_of(' ') + 1);
  erase(0, first);
  return *this;
}

bool StringEX::StartsWith(const std::string& prefix) const { return compare(0, prefix.size(), prefix) == 0; }

StringEX operator+(const StringEX& a, const StringEX& b) {
  StringEX result;
  result.reserve(a.size() + b.size());
  result.append(a).append(b);
  return result;
}

StringEX operator+(const StringEX& a, const char* b) {
  StringEX result(a);
  if (b) result.append(b);
  return result;
}

StringEX operator+(const char* a, const StringEX& b) {
  StringEX result(a);
  result.append(b);
  return result;
}

StringEX operator+(const StringEX& a, char b) {
  StringEX result(a);
  result.push_back(b);
  return result;
}
