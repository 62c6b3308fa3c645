// Messages of the effect compiler, in the form fxc prints them:
// "file(line,col): error X3000: text". Every location names one of the
// source files the compiler read, by index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Lines and columns count from 1; file 0 is the source being compiled.
struct FxLocation {
  uint32_t file = 0;
  uint32_t line = 1;
  uint32_t column = 1;
};

// The message numbers, grouped as fxc groups them: preprocessor X1xxx,
// language X3xxx, effect framework X4xxx.
enum FxMessageCode : int {
  kFxErrorPreprocessor = 1000,       // malformed directive or expression
  kFxErrorIncludeNotFound = 1507,    // failed to open source file
  kFxErrorIncludeRecursion = 1508,   // a file includes itself
  kFxErrorUserError = 1509,          // #error
  kFxErrorSyntax = 3000,
  kFxErrorRedefinition = 3003,
  kFxErrorUndeclared = 3004,
  kFxErrorArguments = 3013,          // wrong number of arguments
  kFxErrorType = 3017,               // value does not fit the type
  kFxErrorEntryNotFound = 3501,
  kFxErrorProfile = 3507,            // unsupported or mismatched profile
  kFxErrorShader = 3550,             // the HLSL of an entry point does not compile
  kFxErrorUnknownState = 4500,       // state name not part of the state object
  kFxErrorUnknownStateValue = 4501,  // value not valid for the state
  kFxErrorUnsupported = 4502,        // valid effect language this platform cannot run
  kFxErrorLimit = 4503,              // too many buffers, slots or units
  kFxErrorObject = 4998,             // a compiled effect object or effect the runtime refuses
  kFxErrorInternal = 4999,           // the back end produced something unusable
  kFxWarningSpirv = 4717,            // a shader's SPIR-V does not validate
};

class FxDiagnostics {
 public:
  // Registers a file name; locations refer to it by the returned index.
  uint32_t AddFile(const std::string& name);
  const std::string& FileName(uint32_t file) const;

  void Error(const FxLocation& at, int code, const std::string& text);
  void Warning(const FxLocation& at, int code, const std::string& text);

  bool HasErrors() const { return m_errors > 0; }
  // Every message, one per line, in the order reported.
  std::string Text() const;

 private:
  void Add(const std::string& file, uint32_t line, uint32_t column, bool error, int code, const std::string& text);

  std::vector<std::string> m_files;
  std::vector<std::string> m_lines;
  unsigned m_errors = 0;
};
