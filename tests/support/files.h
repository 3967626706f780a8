// Scratch directories and the files of the source tree, for the tests
#pragma once

#include <filesystem>
#include <string>

// A fresh empty directory for one test, removed when the object goes away.
struct ScratchDir {
  std::filesystem::path path;
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Writes text to a file in the directory and returns its path.
  std::filesystem::path write(const std::string& name, const std::string& text) const;
  bool has(const std::string& name) const {
    return std::filesystem::exists(std::filesystem::symlink_status(path / name));
  }
};

std::string read_file(const std::filesystem::path& file);

// A file of the source tree, by its path from the top.
std::filesystem::path source_path(const std::string& relative);
