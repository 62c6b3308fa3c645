// The effect preprocessor: macros, conditionals, includes and their errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "fx/fx_preprocessor.h"

namespace {

// Files held in memory, by name.
class MemoryIncludes : public FxIncludeHandler {
 public:
  explicit MemoryIncludes(std::map<std::string, std::string> files) : m_files(std::move(files)) {}
  bool Open(bool system, const std::string& name, const std::string& parent, std::string* path,
            std::string* content) override {
    std::string key = (system ? "<>" : FxDirectoryOf(parent)) + name;
    auto found = m_files.find(key);
    if (found == m_files.end()) return false;
    *path = key == "<>" + name ? name : key;
    *content = found->second;
    return true;
  }

 private:
  std::map<std::string, std::string> m_files;
};

struct Result {
  bool ok;
  std::string text;  // the tokens, one space apart
  std::string messages;
  std::vector<FxToken> tokens;
};

Result Preprocess(const std::string& source, std::map<std::string, std::string> files = {},
           std::vector<FxDefine> defines = {}) {
  MemoryIncludes includes(std::move(files));
  FxDiagnostics diagnostics;
  Result result;
  result.ok = FxPreprocess(source, "main.fx", defines, &includes, diagnostics, &result.tokens);
  for (const FxToken& token : result.tokens) result.text += (result.text.empty() ? "" : " ") + token.text;
  result.messages = diagnostics.Text();
  return result;
}

TEST(Preprocessor, ObjectAndFunctionMacros) {
  struct Case {
    const char* source;
    const char* expected;
  } cases[] = {
      {"#define N 4\nfloat a[N];", "float a [ 4 ] ;"},
      {"#define SQ(x) ((x)*(x))\nSQ(a+1)", "( ( a + 1 ) * ( a + 1 ) )"},
      {"#define F(x) x\nF", "F"},  // a function macro name without arguments
      {"#define CAT(a, b) a##b\nCAT(float, 4) CAT(x, )", "float4 x"},
      {"#define STR(a) #a\nSTR(p \"q\")", "\"p \\\"q\\\"\""},
      {"#define V(...) f(__VA_ARGS__)\nV(1, 2, 3)", "f ( 1 , 2 , 3 )"},
      {"#define A B\n#define B A\nA", "A"},  // no endless recursion
      {"#define E\nE x E", "x"},
      {"#define TWO(a, b) a b\nTWO((1, 2), [3])", "( 1 , 2 ) [ 3 ]"},
      {"#define X 1\n#undef X\nX", "X"},
      {"#define L __LINE__\n\nL", "3"},
      {"#define SEMI(x) x;\nSEMI(float a)\nSEMI(\nfloat b)", "float a ; float b ;"},
  };
  for (const Case& c : cases) {
    Result result = Preprocess(c.source);
    EXPECT_TRUE(result.ok) << c.source << "\n" << result.messages;
    EXPECT_EQ(c.expected, result.text) << c.source;
  }
}

TEST(Preprocessor, ConditionalsAndDefinesFromTheCaller) {
  struct Case {
    const char* source;
    const char* expected;
  } cases[] = {
      {"#if 1 + 2 * 3 == 7\na\n#else\nb\n#endif", "a"},
      {"#if defined(X) || defined Y\na\n#elif 0x10 > 15\nb\n#else\nc\n#endif", "b"},
      {"#ifdef NOPE\n#if garbage(\n#endif\na\n#else\nb\n#endif", "b"},
      {"#ifndef G\n#define G 2\n#endif\n#if G >= 2 && !UNDEFINED\nyes\n#endif", "yes"},
      {"#if (5 % 3) << 2 == 8 ? 1 : 0\nok\n#endif", "ok"},
      {"#if DEBUG\nd\n#else\nr\n#endif", "d"},
      {"#if LEVEL == 3\nthree\n#endif", "three"},
  };
  for (const Case& c : cases) {
    Result result = Preprocess(c.source, {}, {{"DEBUG", "1"}, {"LEVEL", "3"}});
    EXPECT_TRUE(result.ok) << c.source << "\n" << result.messages;
    EXPECT_EQ(c.expected, result.text) << c.source;
  }
}

TEST(Preprocessor, IncludesResolveBesideTheIncludingFile) {
  Result result = Preprocess("#include \"sub/a.fxh\"\n#include <sys.fxh>\nmain",
                      {{"sub/a.fxh", "#pragma once\na1 \n#include \"b.fxh\"\n#include \"a.fxh\""},
                       {"sub/b.fxh", "b1"},
                       {"<>sys.fxh", "#pragma pack_matrix(row_major)\nsys"}});
  ASSERT_TRUE(result.ok) << result.messages;
  EXPECT_EQ("a1 b1 sys main", result.text);
  // Tokens remember the file and line they came from.
  ASSERT_EQ(4u, result.tokens.size());
  EXPECT_EQ(2u, result.tokens[0].at.line);
  EXPECT_EQ(3u, result.tokens[3].at.line);
  EXPECT_NE(result.tokens[0].at.file, result.tokens[3].at.file);
}

TEST(Preprocessor, LineDirectivesRenumber) {
  Result result = Preprocess("a\n#line 100 \"other.fx\"\nb\nc");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(100u, result.tokens[1].at.line);
  EXPECT_EQ(101u, result.tokens[2].at.line);
  EXPECT_NE(result.tokens[0].at.file, result.tokens[1].at.file);
}

TEST(Preprocessor, ErrorsNameFileLineAndColumn) {
  struct Case {
    const char* source;
    const char* message;
  } cases[] = {
      {"\n  #include \"missing.fxh\"", "main.fx(2,3): error X1507: failed to open source file: 'missing.fxh'\n"},
      {"#include \"self.fxh\"", "self.fxh(1,1): error X1508: recursive #include of 'self.fxh'\n"},
      {"#error stop \"here\"", "main.fx(1,1): error X1509: #error stop \"here\"\n"},
      {"#if 1\na", "main.fx(1,1): error X1000: #if without #endif\n"},
      {"#endif", "main.fx(1,1): error X1000: #endif without #if\n"},
      {"#if 1\n#else\n#else\n#endif", "main.fx(3,1): error X1000: #else after #else\n"},
      {"#if 1 /\n#endif", "main.fx(1,7): error X1000: #if expression ends early\n"},
      {"#if 4 / 0\n#endif", "main.fx(1,7): error X1000: division by zero in #if expression\n"},
      {"#define F(a, b) a\nF(1)", "main.fx(2,1): error X1000: not enough actual parameters for macro 'F'\n"},
      {"#define F(a) a\nF(1, 2)", "main.fx(2,1): error X1000: too many actual parameters for macro 'F'\n"},
      {"#define F(a) a\nF(1", "main.fx(2,1): error X1000: unterminated argument list invoking macro 'F'\n"},
      {"#frobnicate", "main.fx(1,1): error X1000: unknown preprocessor directive '#frobnicate'\n"},
      {"#define", "main.fx(1,1): error X1000: #define needs a macro name\n"},
      {"/* open", "main.fx(1,1): error X3000: unterminated comment\n"},
      {"\"open", "main.fx(1,1): error X3000: unterminated string\n"},
      {"float @x;", "main.fx(1,7): error X3000: invalid character '@'\n"},
      {"float \x01x;", "main.fx(1,7): error X3000: invalid character '\\x01'\n"},
  };
  for (const Case& c : cases) {
    Result result = Preprocess(c.source, {{"self.fxh", "#include \"self.fxh\""}});
    EXPECT_FALSE(result.ok) << c.source;
    EXPECT_EQ(c.message, result.messages) << c.source;
  }
}

// Macros nested in arguments they use several times grow exponentially: in
// tokens, or in the text of strings made with #. The preprocessing stops with
// one error where the growth passes the limit, instead of running for ever.
TEST(Preprocessor, ExponentialExpansionStopsWithOneError) {
  std::string nested = "1";
  for (int i = 0; i < 30; ++i) nested = "S(" + nested + ")";
  const std::string sources[] = {
      "#define D(x) x x x x\nfloat a;\nD(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(1))))))))))))))))\n#if 1\n",
      "#define T(y) #y\n#define S(x) T(x x)\n" + nested + "\nfloat b;",
  };
  for (const std::string& source : sources) {
    Result result = Preprocess(source);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(std::string::npos, result.messages.find("error X1000: expanding macro '")) << result.messages;
    EXPECT_NE(std::string::npos, result.messages.find("' makes more than 64 MB of tokens")) << result.messages;
    EXPECT_EQ(1, std::count(result.messages.begin(), result.messages.end(), '\n')) << result.messages;
  }
  // Below the limit, an argument used many times expands as often as it is used.
  Result four = Preprocess("#define D(x) x x x x\nD(D(D(D(D(D(1))))))");
  EXPECT_TRUE(four.ok) << four.messages;
  EXPECT_EQ(4096u, four.tokens.size());
}

}  // namespace
