#pragma once

#include <string>

namespace norvane {

// True only for an existing directory.
bool DirectoryExists(const std::string& path);

// Creates a folder with all its missing levels. A trailing separator is ignored; a path
// shorter than 3 characters, or one that already exists, counts as done.
bool ForceDirectories(const std::string& path);

// The path with exactly one trailing '/'.
std::string WithTrailingSeparator(const std::string& path);

// The process's current directory, with one trailing '/'; "./" when it cannot be named.
std::string CurrentDirectory();

}  // namespace norvane
