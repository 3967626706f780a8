// Runs the built program as a user would: real files, a shell, captured streams
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ProgramRun {
  int exit_status = -1;
  std::string out;
  std::string err;
};

// A fresh empty directory for one test, removed when the object goes away.
struct ScratchDir {
  std::filesystem::path path;
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Writes text to a file in the directory and returns its path.
  std::filesystem::path write(const std::string& name, const std::string& text) const;
  bool has(const std::string& name) const { return std::filesystem::exists(path / name); }
};

std::string read_file(const std::filesystem::path& file);

// Runs the program in dir with args. Standard input comes from stdin_text,
// unless redirections (shell syntax, e.g. "<&-" or ">/dev/full") replace it.
ProgramRun run_program(const ScratchDir& dir, const std::vector<std::string>& args,
                       const std::string& stdin_text = "", const std::string& redirections = "");

// The shipped example inputs and their reports.
std::filesystem::path source_path(const std::string& relative);
