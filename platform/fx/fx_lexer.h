// Tokens of effect source text. The preprocessor and the effect parser both
// work on them; the HLSL handed to the shader back end is written back from
// them at their original lines and columns.
#pragma once

#include <string>
#include <vector>

#include "fx_diagnostics.h"

enum class FxTokenKind { kIdentifier, kNumber, kString, kPunctuator };

struct FxToken {
  FxTokenKind kind = FxTokenKind::kPunctuator;
  std::string text;  // as written; strings keep their quotes
  FxLocation at;
  bool lineStart = false;    // first token of a logical line
  bool spaceBefore = false;  // white space or a comment precedes it
  // Macros whose expansion produced this token and may not expand in it again.
  std::vector<std::string> hidden;

  bool Is(const char* punctuator) const { return kind == FxTokenKind::kPunctuator && text == punctuator; }
  bool IsIdentifier(const char* name) const { return kind == FxTokenKind::kIdentifier && text == name; }
};

// Splits text into tokens. Comments and line continuations disappear; a
// token after a line break starts a logical line. Unterminated comments and
// strings, and characters no token is made of, are reported and end the text.
std::vector<FxToken> FxTokenize(const std::string& text, uint32_t file, FxDiagnostics& diagnostics);

// The value of a string token without its quotes, with escapes resolved.
std::string FxStringValue(const FxToken& token);
