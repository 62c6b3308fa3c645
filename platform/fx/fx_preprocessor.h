// The C-style preprocessor of effect source: #include, #define with and
// without parameters (# and ## included), #undef, #if/#ifdef/#ifndef/#elif/
// #else/#endif, #line, #error; #pragma is ignored except #pragma once.
#pragma once

#include <string>
#include <vector>

#include "fx_diagnostics.h"
#include "fx_lexer.h"

struct FxDefine {
  std::string name;
  std::string value;
};

// Finds the files named by #include.
class FxIncludeHandler {
 public:
  virtual ~FxIncludeHandler() = default;
  // Opens `name`, included with angle brackets when `system` is set, from
  // the file whose resolved path is `parent` (empty for source given in
  // memory). On success *path is the file's resolved path, which identifies
  // it for nested includes and recursion checks, and *content its text.
  virtual bool Open(bool system, const std::string& name, const std::string& parent, std::string* path,
                    std::string* content) = 0;
};

// Files on disk: a quoted name is looked up beside the including file first;
// then every name in the directories given, in order ("" is the working
// directory). Backslashes in names separate directories.
class FxFileIncludeHandler : public FxIncludeHandler {
 public:
  explicit FxFileIncludeHandler(std::vector<std::string> directories) : m_directories(std::move(directories)) {}
  bool Open(bool system, const std::string& name, const std::string& parent, std::string* path,
            std::string* content) override;

 private:
  std::vector<std::string> m_directories;
};

// The directory part of a path, with its final separator ("" for none).
std::string FxDirectoryOf(const std::string& path);
// Reads a whole file; false when it cannot be read.
bool FxReadFile(const std::string& path, std::string* content);

// Preprocesses `source`, registered with the diagnostics under `name` (its
// resolved path, or a display name for text from memory). The defines come
// first, as if each were "#define name value". Returns false after errors;
// *tokens holds the text that remains, with macros expanded and every token
// located in the file and line it came from.
bool FxPreprocess(const std::string& source, const std::string& name, const std::vector<FxDefine>& defines,
                  FxIncludeHandler* includes, FxDiagnostics& diagnostics, std::vector<FxToken>* tokens);
