#pragma once

#include <cstdio>
#include <memory>

namespace norvane {

// A C library file that is closed when it goes out of scope.
struct CFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using CFile = std::unique_ptr<std::FILE, CFileCloser>;

inline CFile OpenCFile(const char* path, const char* mode) {
  return CFile(std::fopen(path, mode));
}

}  // namespace norvane
