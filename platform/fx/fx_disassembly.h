// A readable listing of a compiled effect, in effect-file syntax: struct
// types and constant buffers with their offsets, object variables with their
// state blocks, techniques and passes, then each shader's signatures and
// bindings and, when asked, its GLSL.
#pragma once

#include <string>

#include "fx_object.h"

// Of a compiled object, or of what an effect loaded.
std::string FxDisassemble(const FxEffectObject& object, bool withCode);
std::string FxDisassemble(const FxEffectObjectOf<FxLoadedForm>& object, bool withCode);
