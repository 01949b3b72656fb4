#pragma once
// Fuzz input as a command line: the bytes split at each NUL into arguments,
// appended to `arguments` in order. A trailing NUL ends the last argument;
// two NULs in a row give an empty one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline void SplitArguments(const uint8_t* data, size_t size, std::vector<std::string>& arguments) {
  const char* text = reinterpret_cast<const char*>(data);
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || text[i] == '\0') {
      if (i > start || i < size) arguments.emplace_back(text + start, i - start);
      start = i + 1;
    }
  }
}
