#include "fx/fx_preprocessor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <unordered_map>

#include <sys/stat.h>

namespace {

// Includes nest at most this deep, which also ends mutual inclusion that
// goes through different spellings of one path.
constexpr std::size_t kMaxIncludeDepth = 32;

// What macro substitution may make over one preprocessing, in token memory.
// Real effects stay far below; macros nested in their own arguments that use
// them more than once grow exponentially and would otherwise exhaust time
// and memory.
constexpr std::size_t kMaxExpansionBytes = std::size_t{64} << 20;

struct Macro {
  bool function = false;
  bool variadic = false;
  std::vector<std::string> params;
  std::vector<FxToken> body;
};

struct Conditional {
  bool parentActive;
  bool active;
  bool taken;  // a branch of this #if was taken already
  bool sawElse;
  FxLocation at;
};

std::string Spell(const std::vector<FxToken>& tokens) {
  std::string text;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (i && tokens[i].spaceBefore) text += ' ';
    text += tokens[i].text;
  }
  return text;
}

bool Hidden(const FxToken& token, const std::string& name) {
  return std::find(token.hidden.begin(), token.hidden.end(), name) != token.hidden.end();
}

// Integer expressions of #if, over tokens already macro-expanded.
class ConditionParser {
 public:
  ConditionParser(const std::vector<FxToken>& tokens, const FxLocation& at, FxDiagnostics& diagnostics)
      : m_tokens(tokens), m_at(at), m_diagnostics(diagnostics) {}

  bool Evaluate(long long* value) {
    *value = Ternary();
    if (!m_failed && m_next < m_tokens.size()) Fail("unexpected '" + m_tokens[m_next].text + "' in #if expression");
    return !m_failed;
  }

 private:
  const FxToken* Peek() const { return m_next < m_tokens.size() ? &m_tokens[m_next] : nullptr; }
  bool Accept(const char* punctuator) {
    if (Peek() && Peek()->Is(punctuator)) {
      ++m_next;
      return true;
    }
    return false;
  }
  // At the next token, or at the last one when the expression ended.
  void Fail(const std::string& text) {
    const FxLocation& at = Peek() ? Peek()->at : m_next ? m_tokens[m_next - 1].at : m_at;
    Fail(text, at);
  }
  void Fail(const std::string& text, const FxLocation& at) {
    if (!m_failed) m_diagnostics.Error(at, kFxErrorPreprocessor, text);
    m_failed = true;
  }

  // ternary: logical_or [ '?' ternary ':' ternary ]
  long long Ternary() {
    long long condition = LogicalOr();
    if (!Accept("?")) return condition;
    long long yes = Ternary();
    if (!Accept(":")) Fail("expected ':' in #if expression");
    long long no = Ternary();
    return condition ? yes : no;
  }
  // logical_or: logical_and { '||' logical_and }
  long long LogicalOr() {
    long long value = LogicalAnd();
    while (Accept("||")) value = LogicalAnd() || value;
    return value;
  }
  // logical_and: binary(0) { '&&' binary(0) }
  long long LogicalAnd() {
    long long value = Binary(0);
    while (Accept("&&")) value = Binary(0) && value;
    return value;
  }
  // binary(level): unary { operator-of-level unary }, by C precedence
  long long Binary(int level) {
    static const std::vector<std::vector<const char*>> kLevels = {
        {"|"}, {"^"}, {"&"}, {"==", "!="}, {"<", ">", "<=", ">="}, {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"}};
    if (level == static_cast<int>(kLevels.size())) return Unary();
    long long value = Binary(level + 1);
    while (!m_failed) {
      const char* op = nullptr;
      for (const char* candidate : kLevels[level]) {
        if (Peek() && Peek()->Is(candidate)) op = candidate;
      }
      if (!op) break;
      FxLocation opAt = Peek()->at;
      ++m_next;
      long long right = Binary(level + 1);
      std::string o = op;
      if ((o == "/" || o == "%") && right == 0) {
        Fail("division by zero in #if expression", opAt);
        return 0;
      }
      if (o == "|") value |= right;
      else if (o == "^") value ^= right;
      else if (o == "&") value &= right;
      else if (o == "==") value = value == right;
      else if (o == "!=") value = value != right;
      else if (o == "<") value = value < right;
      else if (o == ">") value = value > right;
      else if (o == "<=") value = value <= right;
      else if (o == ">=") value = value >= right;
      else if (o == "<<") value = static_cast<long long>(static_cast<unsigned long long>(value) << (right & 63));
      else if (o == ">>") value >>= (right & 63);
      else if (o == "+") value += right;
      else if (o == "-") value -= right;
      else if (o == "*") value *= right;
      else if (o == "/") value /= right;
      else value %= right;
    }
    return value;
  }
  // unary: ('+' | '-' | '!' | '~') unary | '(' ternary ')' | number | identifier
  long long Unary() {
    if (Accept("+")) return Unary();
    if (Accept("-")) return -Unary();
    if (Accept("!")) return !Unary();
    if (Accept("~")) return ~Unary();
    if (Accept("(")) {
      long long value = Ternary();
      if (!Accept(")")) Fail("expected ')' in #if expression");
      return value;
    }
    const FxToken* token = Peek();
    if (!token) {
      Fail("#if expression ends early");
      return 0;
    }
    ++m_next;
    if (token->kind == FxTokenKind::kNumber) {
      std::string digits = token->text;
      while (!digits.empty() && std::strchr("uUlL", digits.back())) digits.pop_back();
      char* end = nullptr;
      long long value = static_cast<long long>(std::strtoull(digits.c_str(), &end, 0));
      if (digits.empty() || *end) Fail("'" + token->text + "' is not an integer");
      return value;
    }
    // Names left after expansion count as 0, true as 1.
    if (token->kind == FxTokenKind::kIdentifier) return token->text == "true" ? 1 : 0;
    Fail("unexpected '" + token->text + "' in #if expression");
    return 0;
  }

  const std::vector<FxToken>& m_tokens;
  FxLocation m_at;
  FxDiagnostics& m_diagnostics;
  std::size_t m_next = 0;
  bool m_failed = false;
};

class Preprocessor {
 public:
  Preprocessor(FxIncludeHandler* includes, FxDiagnostics& diagnostics, std::vector<FxToken>* out)
      : m_includes(includes), m_diagnostics(diagnostics), m_out(out) {}

  void Define(const FxDefine& define) {
    if (m_commandLine == kNoFile) m_commandLine = m_diagnostics.AddFile("command line");
    uint32_t file = m_commandLine;
    std::vector<FxToken> name = FxTokenize(define.name, file, m_diagnostics);
    if (name.size() != 1 || name[0].kind != FxTokenKind::kIdentifier) {
      m_diagnostics.Error({file, 1, 1}, kFxErrorPreprocessor, "invalid macro name '" + define.name + "'");
      return;
    }
    Macro macro;
    macro.body = FxTokenize(define.value, file, m_diagnostics);
    m_macros[define.name] = std::move(macro);
  }

  void File(const std::string& text, const std::string& path, uint32_t file) {
    std::vector<FxToken> tokens = FxTokenize(text, file, m_diagnostics);
    std::vector<Conditional> conditionals;
    std::vector<FxToken> pending;
    // #line moves the lines and file of what follows.
    long long lineShift = 0;
    uint32_t shownFile = file;
    for (std::size_t i = 0; i < tokens.size() && !m_tooLarge;) {
      bool active = conditionals.empty() || conditionals.back().active;
      if (tokens[i].lineStart && tokens[i].Is("#")) {
        std::size_t end = i + 1;
        while (end < tokens.size() && !tokens[end].lineStart) ++end;
        std::vector<FxToken> line(tokens.begin() + static_cast<long>(i) + 1, tokens.begin() + static_cast<long>(end));
        FxLocation at = tokens[i].at;
        Flush(&pending);
        if (m_tooLarge) break;
        if (!HandleConditional(line, at, &conditionals) && active) {
          if (!line.empty() && line[0].IsIdentifier("line")) {
            Line(line, at, &lineShift, &shownFile);
          } else {
            Directive(line, at, path);
          }
        }
        i = end;
        continue;
      }
      if (active) {
        FxToken token = tokens[i];
        token.at.line = static_cast<uint32_t>(static_cast<long long>(token.at.line) + lineShift);
        token.at.file = shownFile;
        pending.push_back(std::move(token));
      }
      ++i;
    }
    // An expansion too large to make ends the preprocessing where it stands.
    if (m_tooLarge) return;
    Flush(&pending);
    if (!conditionals.empty()) {
      m_diagnostics.Error(conditionals.back().at, kFxErrorPreprocessor, "#if without #endif");
    }
  }

  std::vector<std::string> m_stack;  // resolved paths of the files being read

 private:
  // Handles the conditional directives, also inside skipped text so that
  // nesting is followed; false for every other directive.
  bool HandleConditional(const std::vector<FxToken>& line, const FxLocation& at, std::vector<Conditional>* stack) {
    if (line.empty() || line[0].kind != FxTokenKind::kIdentifier) return false;
    const std::string& name = line[0].text;
    bool active = stack->empty() || stack->back().active;
    if (name == "if" || name == "ifdef" || name == "ifndef") {
      bool value = false;
      if (active) {
        if (name == "if") {
          value = Evaluate(line, at);
        } else if (line.size() < 2 || line[1].kind != FxTokenKind::kIdentifier) {
          m_diagnostics.Error(at, kFxErrorPreprocessor, "#" + name + " needs a macro name");
        } else {
          value = (m_macros.count(line[1].text) != 0) == (name == "ifdef");
        }
      }
      stack->push_back({active, active && value, value, false, at});
      return true;
    }
    if (name == "elif" || name == "else" || name == "endif") {
      if (stack->empty()) {
        m_diagnostics.Error(at, kFxErrorPreprocessor, "#" + name + " without #if");
        return true;
      }
      Conditional& top = stack->back();
      if (name == "endif") {
        stack->pop_back();
      } else if (top.sawElse) {
        m_diagnostics.Error(at, kFxErrorPreprocessor, "#" + name + " after #else");
      } else if (name == "else") {
        top.sawElse = true;
        top.active = top.parentActive && !top.taken;
        top.taken = true;
      } else {
        bool value = top.parentActive && !top.taken && Evaluate(line, at);
        top.active = value;
        top.taken = top.taken || value;
      }
      return true;
    }
    return false;
  }

  bool Evaluate(const std::vector<FxToken>& line, const FxLocation& at) {
    std::vector<FxToken> tokens;
    // "defined X" and "defined(X)" are answered before expansion.
    for (std::size_t i = 1; i < line.size(); ++i) {
      if (!line[i].IsIdentifier("defined")) {
        tokens.push_back(line[i]);
        continue;
      }
      bool paren = i + 1 < line.size() && line[i + 1].Is("(");
      std::size_t nameAt = i + (paren ? 2 : 1);
      if (nameAt >= line.size() || line[nameAt].kind != FxTokenKind::kIdentifier ||
          (paren && (nameAt + 1 >= line.size() || !line[nameAt + 1].Is(")")))) {
        m_diagnostics.Error(line[i].at, kFxErrorPreprocessor, "'defined' needs a macro name");
        return false;
      }
      FxToken value = line[i];
      value.kind = FxTokenKind::kNumber;
      value.text = m_macros.count(line[nameAt].text) ? "1" : "0";
      tokens.push_back(value);
      i = nameAt + (paren ? 1 : 0);
    }
    if (tokens.empty()) {
      m_diagnostics.Error(at, kFxErrorPreprocessor, "#if without an expression");
      return false;
    }
    std::vector<FxToken> expanded;
    Expand(tokens, &expanded);
    long long value = 0;
    return ConditionParser(expanded, at, m_diagnostics).Evaluate(&value) && value != 0;
  }

  void Line(const std::vector<FxToken>& line, const FxLocation& at, long long* shift, uint32_t* file) {
    std::vector<FxToken> expanded;
    Expand(std::vector<FxToken>(line.begin() + 1, line.end()), &expanded);
    if (expanded.empty() || expanded[0].kind != FxTokenKind::kNumber ||
        (expanded.size() > 1 && expanded[1].kind != FxTokenKind::kString) || expanded.size() > 2) {
      m_diagnostics.Error(at, kFxErrorPreprocessor, "#line needs a line number and an optional file name");
      return;
    }
    // The line after the directive gets the number given.
    *shift = std::atoll(expanded[0].text.c_str()) - static_cast<long long>(at.line) - 1;
    if (expanded.size() > 1) *file = m_diagnostics.AddFile(FxStringValue(expanded[1]));
  }

  void Directive(const std::vector<FxToken>& line, const FxLocation& at, const std::string& path) {
    if (line.empty()) return;  // the null directive
    const std::string& name = line[0].text;
    if (name == "define") {
      DefineDirective(line, at);
    } else if (name == "undef") {
      if (line.size() != 2 || line[1].kind != FxTokenKind::kIdentifier) {
        m_diagnostics.Error(at, kFxErrorPreprocessor, "#undef needs a macro name");
        return;
      }
      m_macros.erase(line[1].text);
    } else if (name == "include") {
      Include(line, at, path);
    } else if (name == "error") {
      m_diagnostics.Error(at, kFxErrorUserError,
                          "#error " + Spell(std::vector<FxToken>(line.begin() + 1, line.end())));
    } else if (name == "pragma") {
      if (line.size() == 2 && line[1].IsIdentifier("once")) m_once.insert(path);
    } else {
      m_diagnostics.Error(at, kFxErrorPreprocessor, "unknown preprocessor directive '#" + name + "'");
    }
  }

  // define: '#' 'define' identifier [ '(' [ identifier { ',' identifier } [ ',' '...' ] | '...' ] ')' ] tokens
  void DefineDirective(const std::vector<FxToken>& line, const FxLocation& at) {
    if (line.size() < 2 || line[1].kind != FxTokenKind::kIdentifier) {
      m_diagnostics.Error(at, kFxErrorPreprocessor, "#define needs a macro name");
      return;
    }
    Macro macro;
    std::size_t body = 2;
    // Parameters follow the name without space between.
    if (line.size() > 2 && line[2].Is("(") && !line[2].spaceBefore) {
      macro.function = true;
      std::size_t i = 3;
      bool closed = false;
      while (i < line.size()) {
        if (line[i].Is(")") && macro.params.empty()) {
          closed = true;
          ++i;
          break;
        }
        if (line[i].Is("...")) {
          macro.variadic = true;
          macro.params.push_back("__VA_ARGS__");
        } else if (line[i].kind == FxTokenKind::kIdentifier) {
          macro.params.push_back(line[i].text);
        } else {
          break;
        }
        ++i;
        if (i < line.size() && line[i].Is(")")) {
          closed = true;
          ++i;
          break;
        }
        if (i >= line.size() || !line[i].Is(",") || macro.variadic) break;
        ++i;
      }
      if (!closed) {
        m_diagnostics.Error(at, kFxErrorPreprocessor, "malformed parameter list of macro '" + line[1].text + "'");
        return;
      }
      body = i;
    }
    macro.body.assign(line.begin() + static_cast<long>(body), line.end());
    m_macros[line[1].text] = std::move(macro);
  }

  // include: '#' 'include' ( string | '<' tokens '>' | macro-expanding-to-those )
  void Include(const std::vector<FxToken>& line, const FxLocation& at, const std::string& parent) {
    std::vector<FxToken> operand(line.begin() + 1, line.end());
    if (!operand.empty() && operand[0].kind == FxTokenKind::kIdentifier) {
      std::vector<FxToken> expanded;
      Expand(operand, &expanded);
      operand = expanded;
    }
    std::string name;
    bool system = false;
    if (operand.size() == 1 && operand[0].kind == FxTokenKind::kString) {
      name = FxStringValue(operand[0]);
    } else if (operand.size() >= 3 && operand.front().Is("<") && operand.back().Is(">")) {
      system = true;
      for (std::size_t i = 1; i + 1 < operand.size(); ++i) name += operand[i].text;
    } else {
      m_diagnostics.Error(at, kFxErrorPreprocessor, "#include expects \"file\" or <file>");
      return;
    }
    std::string path, content;
    if (!m_includes || !m_includes->Open(system, name, parent, &path, &content)) {
      m_diagnostics.Error(at, kFxErrorIncludeNotFound, "failed to open source file: '" + name + "'");
      return;
    }
    if (m_once.count(path)) return;
    if (std::find(m_stack.begin(), m_stack.end(), path) != m_stack.end() || m_stack.size() >= kMaxIncludeDepth) {
      m_diagnostics.Error(at, kFxErrorIncludeRecursion, "recursive #include of '" + name + "'");
      return;
    }
    m_stack.push_back(path);
    File(content, path, m_diagnostics.AddFile(path));
    m_stack.pop_back();
  }

  void Flush(std::vector<FxToken>* pending) {
    if (pending->empty()) return;
    Expand(*pending, m_out);
    pending->clear();
  }

  // Replaces macros in `input`, rescanning each replacement together with
  // what follows it. A token remembers the macros that produced it, which do
  // not expand again inside it.
  void Expand(const std::vector<FxToken>& input, std::vector<FxToken>* out) {
    std::vector<FxToken> stack(input.rbegin(), input.rend());
    while (!stack.empty() && !m_tooLarge) {
      FxToken token = std::move(stack.back());
      stack.pop_back();
      if (token.kind != FxTokenKind::kIdentifier) {
        out->push_back(std::move(token));
        continue;
      }
      if (token.text == "__LINE__" || token.text == "__FILE__") {
        bool line = token.text == "__LINE__";
        token.kind = line ? FxTokenKind::kNumber : FxTokenKind::kString;
        token.text = line ? std::to_string(token.at.line) : "\"" + m_diagnostics.FileName(token.at.file) + "\"";
        out->push_back(std::move(token));
        continue;
      }
      auto found = m_macros.find(token.text);
      if (found == m_macros.end() || Hidden(token, token.text)) {
        out->push_back(std::move(token));
        continue;
      }
      const Macro& macro = found->second;
      std::vector<std::vector<FxToken>> args;
      if (macro.function) {
        // A function-like macro name without arguments stays a name.
        if (stack.empty() || !stack.back().Is("(")) {
          out->push_back(std::move(token));
          continue;
        }
        if (!CollectArguments(macro, token, &stack, &args)) return;
      }
      std::vector<FxToken> replacement = Substitute(token.text, macro, args, token);
      stack.insert(stack.end(), replacement.rbegin(), replacement.rend());
    }
  }

  bool CollectArguments(const Macro& macro, const FxToken& name, std::vector<FxToken>* stack,
                        std::vector<std::vector<FxToken>>* args) {
    stack->pop_back();  // '('
    args->emplace_back();
    int depth = 1;
    while (true) {
      if (stack->empty()) {
        m_diagnostics.Error(name.at, kFxErrorPreprocessor, "unterminated argument list invoking macro '" + name.text + "'");
        return false;
      }
      FxToken token = std::move(stack->back());
      stack->pop_back();
      if (token.Is("(")) ++depth;
      if (token.Is(")") && --depth == 0) break;
      // Past the named parameters a variadic macro keeps the commas.
      if (token.Is(",") && depth == 1 && !(macro.variadic && args->size() == macro.params.size())) {
        args->emplace_back();
        continue;
      }
      args->back().push_back(std::move(token));
    }
    // "M()" passes no argument to a macro without parameters.
    if (macro.params.empty() && args->size() == 1 && args->front().empty()) args->clear();
    if (macro.variadic && args->size() == macro.params.size() - 1) args->emplace_back();
    if (args->size() != macro.params.size()) {
      m_diagnostics.Error(name.at, kFxErrorPreprocessor,
                          std::string(args->size() < macro.params.size() ? "not enough" : "too many") +
                              " actual parameters for macro '" + name.text + "'");
      return false;
    }
    return true;
  }

  std::vector<FxToken> Substitute(const std::string& name, const Macro& macro,
                                  const std::vector<std::vector<FxToken>>& args, const FxToken& use) {
    auto param = [&](const FxToken& token) -> int {
      if (token.kind != FxTokenKind::kIdentifier) return -1;
      for (std::size_t i = 0; i < macro.params.size(); ++i) {
        if (macro.params[i] == token.text) return static_cast<int>(i);
      }
      return -1;
    };
    std::vector<FxToken> result;
    std::vector<bool> paste;  // the token is a ## of the body
    // Each argument is expanded once, however often the body uses it.
    std::vector<std::vector<FxToken>> expanded(args.size());
    std::vector<bool> isExpanded(args.size(), false);
    const std::vector<FxToken>& body = macro.body;
    for (std::size_t i = 0; i < body.size(); ++i) {
      const FxToken& token = body[i];
      if (macro.function && token.Is("#") && i + 1 < body.size() && param(body[i + 1]) >= 0) {
        FxToken text = token;
        text.kind = FxTokenKind::kString;
        std::string spelled = Spell(args[static_cast<std::size_t>(param(body[i + 1]))]), quoted = "\"";
        for (char c : spelled) {
          if (c == '"' || c == '\\') quoted += '\\';
          quoted += c;
        }
        text.text = quoted + "\"";
        result.push_back(text);
        paste.push_back(false);
        ++i;
        continue;
      }
      int p = param(token);
      if (p < 0) {
        result.push_back(token);
        paste.push_back(token.Is("##"));
        continue;
      }
      bool pasted = (i > 0 && body[i - 1].Is("##")) || (i + 1 < body.size() && body[i + 1].Is("##"));
      const std::size_t a = static_cast<std::size_t>(p);
      if (!pasted && !isExpanded[a]) {
        Expand(args[a], &expanded[a]);
        isExpanded[a] = true;
      }
      const std::vector<FxToken>& value = pasted ? args[a] : expanded[a];
      for (std::size_t v = 0; v < value.size(); ++v) {
        result.push_back(value[v]);
        if (v == 0) result.back().spaceBefore = token.spaceBefore;
        paste.push_back(false);
      }
    }
    // An argument's expansion may have passed the limit.
    if (m_tooLarge) return {};
    // Pasting joins the spellings and reads them as one token.
    std::vector<FxToken> joined;
    for (std::size_t i = 0; i < result.size(); ++i) {
      if (!paste[i]) {
        joined.push_back(result[i]);
        continue;
      }
      if (joined.empty() || i + 1 >= result.size()) continue;
      std::string text = joined.back().text + result[i + 1].text;
      FxDiagnostics scratch;
      std::vector<FxToken> lexed = FxTokenize(text, use.at.file, scratch);
      if (lexed.size() != 1) {
        m_diagnostics.Error(use.at, kFxErrorPreprocessor, "pasting gives '" + text + "', not a single token");
      } else {
        joined.back().kind = lexed[0].kind;
        joined.back().text = text;
      }
      ++i;
    }
    for (std::size_t i = 0; i < joined.size(); ++i) {
      FxToken& token = joined[i];
      token.at = use.at;
      token.lineStart = i == 0 && use.lineStart;
      if (i == 0) token.spaceBefore = use.spaceBefore;
      token.hidden = use.hidden;
      token.hidden.push_back(name);
      m_expansionBytes += sizeof(FxToken) + token.text.size() + token.hidden.size() * sizeof(std::string);
    }
    if (m_expansionBytes > kMaxExpansionBytes) {
      m_diagnostics.Error(use.at, kFxErrorPreprocessor,
                          "expanding macro '" + name + "' makes more than " +
                              std::to_string(kMaxExpansionBytes >> 20) + " MB of tokens");
      m_tooLarge = true;
      return {};
    }
    return joined;
  }

  FxIncludeHandler* m_includes;
  FxDiagnostics& m_diagnostics;
  std::vector<FxToken>* m_out;
  std::unordered_map<std::string, Macro> m_macros;
  std::set<std::string> m_once;
  std::size_t m_expansionBytes = 0;  // what substitutions have made so far
  bool m_tooLarge = false;           // past kMaxExpansionBytes: nothing expands any more
  static constexpr uint32_t kNoFile = 0xFFFFFFFFu;
  uint32_t m_commandLine = kNoFile;
};

std::string Join(const std::string& directory, const std::string& name) {
  if (directory.empty() || name.empty() || name[0] == '/') return name;
  return directory.back() == '/' ? directory + name : directory + "/" + name;
}

}  // namespace

std::string FxDirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool FxReadFile(const std::string& path, std::string* content) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool FxFileIncludeHandler::Open(bool system, const std::string& name, const std::string& parent, std::string* path,
                                std::string* content) {
  std::string normalized = name;
  std::replace(normalized.begin(), normalized.end(), '\\', '/');
  std::vector<std::string> candidates;
  if (!system) candidates.push_back(Join(FxDirectoryOf(parent), normalized));
  for (const std::string& directory : m_directories) candidates.push_back(Join(directory, normalized));
  for (const std::string& candidate : candidates) {
    if (FxReadFile(candidate, content)) {
      *path = candidate;
      return true;
    }
  }
  return false;
}

bool FxPreprocess(const std::string& source, const std::string& name, const std::vector<FxDefine>& defines,
                  FxIncludeHandler* includes, FxDiagnostics& diagnostics, std::vector<FxToken>* tokens) {
  Preprocessor preprocessor(includes, diagnostics, tokens);
  uint32_t file = diagnostics.AddFile(name);
  for (const FxDefine& define : defines) preprocessor.Define(define);
  preprocessor.m_stack.push_back(name);
  preprocessor.File(source, name, file);
  return !diagnostics.HasErrors();
}
