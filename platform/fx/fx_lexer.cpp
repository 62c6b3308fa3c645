#include "fx/fx_lexer.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// Longest first, so that the first match is the longest.
const char* const kPunctuators[] = {"<<=", ">>=", "...", "##", "::", "->", "++", "--", "<<", ">>", "<=", ">=", "==",
                                    "!=",  "&&",  "||",  "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "#",  "(",
                                    ")",   "[",   "]",   "{",  "}",  "<",  ">",  ";",  ",",  ".",  ":",  "?",  "=",
                                    "+",   "-",   "*",   "/",  "%",  "&",  "|",  "^",  "!",  "~"};

std::string EscapedByte(char c) {
  char text[8];
  std::snprintf(text, sizeof(text), "\\x%02X", static_cast<unsigned char>(c));
  return text;
}

bool IsIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

class Lexer {
 public:
  Lexer(const std::string& text, uint32_t file, FxDiagnostics& diagnostics)
      : m_text(text), m_file(file), m_diagnostics(diagnostics) {}

  std::vector<FxToken> Run() {
    std::vector<FxToken> tokens;
    // Editors may start a file with a UTF-8 byte order mark.
    if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0) m_at = 3;
    bool lineStart = true, space = false;
    while (true) {
      SkipContinuations();
      if (m_at >= m_text.size()) break;
      char c = m_text[m_at];
      if (c == '\n') {
        Advance();
        lineStart = true;
        space = false;
        continue;
      }
      if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        Advance();
        space = true;
        continue;
      }
      if (c == '/' && Peek(1) == '/') {
        while (m_at < m_text.size() && m_text[m_at] != '\n') Advance();
        space = true;
        continue;
      }
      if (c == '/' && Peek(1) == '*') {
        FxLocation start = Here();
        Advance();
        Advance();
        while (m_at < m_text.size() && !(m_text[m_at] == '*' && Peek(1) == '/')) Advance();
        if (m_at >= m_text.size()) {
          m_diagnostics.Error(start, kFxErrorSyntax, "unterminated comment");
          break;
        }
        Advance();
        Advance();
        space = true;
        continue;
      }
      FxToken token;
      token.at = Here();
      token.lineStart = lineStart;
      token.spaceBefore = space;
      lineStart = false;
      space = false;
      if (!Scan(c, &token)) break;
      tokens.push_back(std::move(token));
    }
    return tokens;
  }

 private:
  char Peek(std::size_t ahead) const { return m_at + ahead < m_text.size() ? m_text[m_at + ahead] : '\0'; }
  FxLocation Here() const { return {m_file, m_line, m_column}; }
  void Advance() {
    if (m_text[m_at] == '\n') {
      ++m_line;
      m_column = 1;
    } else {
      ++m_column;
    }
    ++m_at;
  }
  // A backslash at the end of a line joins the next line to it.
  void SkipContinuations() {
    while (m_at < m_text.size() && m_text[m_at] == '\\') {
      std::size_t next = m_at + 1;
      if (next < m_text.size() && m_text[next] == '\r') ++next;
      if (next >= m_text.size() || m_text[next] != '\n') return;
      while (m_at <= next) Advance();
    }
  }
  // The next character of a token, after any line continuation.
  char Current() {
    SkipContinuations();
    return m_at < m_text.size() ? m_text[m_at] : '\0';
  }

  bool Scan(char c, FxToken* token) {
    if (IsIdentifierStart(c)) {
      token->kind = FxTokenKind::kIdentifier;
      while (IsIdentifierChar(Current())) {
        token->text += m_text[m_at];
        Advance();
      }
      return true;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || (c == '.' && std::isdigit(static_cast<unsigned char>(Peek(1))))) {
      // A preprocessing number: digits, letters, dots and signed exponents.
      token->kind = FxTokenKind::kNumber;
      while (true) {
        char n = Current();
        if (IsIdentifierChar(n) || n == '.') {
          token->text += n;
          Advance();
          if ((n == 'e' || n == 'E') && (Current() == '+' || Current() == '-') &&
              !(token->text.size() > 1 && (token->text[1] == 'x' || token->text[1] == 'X'))) {
            token->text += m_text[m_at];
            Advance();
          }
          continue;
        }
        break;
      }
      return true;
    }
    if (c == '"') {
      token->kind = FxTokenKind::kString;
      token->text += c;
      Advance();
      while (true) {
        char n = Current();
        if (n == '\0' || n == '\n') {
          m_diagnostics.Error(token->at, kFxErrorSyntax, "unterminated string");
          return false;
        }
        token->text += n;
        Advance();
        if (n == '\\' && Current() != '\0') {
          token->text += m_text[m_at];
          Advance();
          continue;
        }
        if (n == '"') return true;
      }
    }
    token->kind = FxTokenKind::kPunctuator;
    for (const char* punctuator : kPunctuators) {
      std::size_t length = std::strlen(punctuator);
      if (m_text.compare(m_at, length, punctuator) == 0) {
        token->text = punctuator;
        for (std::size_t i = 0; i < length; ++i) Advance();
        return true;
      }
    }
    m_diagnostics.Error(token->at, kFxErrorSyntax,
                        "invalid character '" + (std::isprint(static_cast<unsigned char>(c)) ? std::string(1, c)
                                                                                              : EscapedByte(c)) +
                            "'");
    return false;
  }

  const std::string& m_text;
  uint32_t m_file;
  FxDiagnostics& m_diagnostics;
  std::size_t m_at = 0;
  uint32_t m_line = 1;
  uint32_t m_column = 1;
};

}  // namespace

std::vector<FxToken> FxTokenize(const std::string& text, uint32_t file, FxDiagnostics& diagnostics) {
  return Lexer(text, file, diagnostics).Run();
}

std::string FxStringValue(const FxToken& token) {
  std::string value;
  const std::string& text = token.text;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 2 < text.size()) {
      char e = text[++i];
      switch (e) {
        case 'n': c = '\n'; break;
        case 't': c = '\t'; break;
        case 'r': c = '\r'; break;
        case '0': c = '\0'; break;
        default: c = e; break;
      }
    }
    value += c;
  }
  return value;
}
