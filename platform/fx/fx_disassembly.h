// A readable listing of a compiled effect, in effect-file syntax: struct
// types and constant buffers with their offsets, object variables with their
// state blocks, techniques and passes, then each shader's signatures and
// bindings and, when asked, its GLSL.
#pragma once

#include <string>

#include "fx_object.h"

std::string FxDisassemble(const FxEffectObject& object, bool withCode);
