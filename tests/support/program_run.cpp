// Runs the built program in a scratch directory through the shell
#include "support/program_run.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string quoted(const std::string& word) {
  std::string q(1, '\'');
  for (char ch : word) {
    if (ch == '\'') {
      q.append("'\\''");
    } else {
      q.push_back(ch);
    }
  }
  q.push_back('\'');
  return q;
}

}  // namespace

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zol-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path, ignored);
}

std::filesystem::path ScratchDir::write(const std::string& name, const std::string& text) const {
  const auto file = path / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
  return file;
}

std::string read_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ProgramRun run_program(const ScratchDir& dir, const Invocation& how) {
  const std::string streams = "/tmp/zol-test-streams-" + dir.path.filename().string();
  std::ofstream(streams + ".in", std::ios::binary) << how.stdin_text;
  // Built by appending: g++ 12 warns falsely about "literal" + std::string.
  std::string command("cd ");
  command.append(quoted(dir.path.string())).append(" && ").append(how.shell);
  command.append(" timeout 120 ").append(how.prefix).append(" ").append(quoted(ZOL_BINARY));
  for (const auto& arg : how.args) command.append(" ").append(quoted(arg));
  command.append(" <").append(quoted(streams + ".in"));
  command.append(" >").append(quoted(streams + ".out"));
  command.append(" 2>").append(quoted(streams + ".err"));
  command.append(" ").append(how.redirections);
  const int status = std::system(command.c_str());
  ProgramRun run;
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = read_file(streams + ".out");
  run.err = read_file(streams + ".err");
  for (const char* suffix : {".in", ".out", ".err"}) std::filesystem::remove(streams + suffix);
  return run;
}

std::filesystem::path source_path(const std::string& relative) {
  return std::filesystem::path(ZOL_SOURCE_DIR) / relative;
}
