// The registry key of an effect: the file name, a tag, then " name definition"
// for every define in order.
#pragma once

#include <vector>

#include <morvane/ShaderProgram.h>

inline StringEX EffectKey(const StringEX& file, const char* tag, const std::vector<ShaderMacro>* const defines) {
  StringEX key = file + tag;
  if (defines)
    for (const ShaderMacro& define : *defines) key += " " + define.Name + " " + define.Definition;
  return key;
}
