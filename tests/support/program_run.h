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
  bool has(const std::string& name) const {
    return std::filesystem::exists(std::filesystem::symlink_status(path / name));
  }
};

std::string read_file(const std::filesystem::path& file);

// How to run the program: its arguments and standard input, shell commands
// run before it in the same shell (limits, signal dispositions, files), a
// prefix for the command itself (another user) and redirections that replace
// the standard streams (e.g. "<&-" or ">/dev/full").
struct Invocation {
  std::vector<std::string> args = {};
  std::string stdin_text = {};
  std::string shell = {};
  std::string prefix = {};
  std::string redirections = {};
};

// Runs the program in dir, bounded by a timeout so that a hang fails the test.
ProgramRun run_program(const ScratchDir& dir, const Invocation& how);

// A file of the source tree, by its path from the top.
std::filesystem::path source_path(const std::string& relative);
