// The effect compiler: effect source (fx_4_0) to a compiled effect object.
// fxc and the in-process source path of D3DX10CreateEffectFromMemory both
// use it; it never throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fx_object.h"
#include "fx_preprocessor.h"

struct FxCompileOptions {
  // The source's path, used in messages and to find its includes; "memory"
  // when the source has none.
  std::string sourceName = "memory";
  std::vector<FxDefine> defines;
  FxIncludeHandler* includes = nullptr;
  // Marks the object as compiled for a child effect (fxc /Gch).
  bool child = false;
};

// Compiles effect source. On success *object holds the effect; *messages
// receives every error and warning, one per line, as
// "file(line,col): error Xnnnn: text".
bool FxCompile(const std::string& source, const FxCompileOptions& options, FxEffectObject* object,
               std::string* messages);
