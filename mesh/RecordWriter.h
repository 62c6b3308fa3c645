// Writers of the mesh records (the device-mesh record and the binary mesh
// file): values as their bytes, strings as a u32 length and the bytes.
#pragma once

#include <cstdio>

#include <morvane/StringEX.h>

template <typename T>
inline void Put(FILE* file, const T& value) {
  std::fwrite(&value, sizeof(T), 1, file);
}

inline void PutString(FILE* file, const StringEX& text) {
  Put(file, static_cast<unsigned int>(text.size()));
  std::fwrite(text.data(), 1, text.size(), file);
}
