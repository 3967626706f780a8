// Scratch directories and the files of the source tree, for the tests
#include "support/files.h"

#include <fstream>
#include <random>
#include <sstream>

ScratchDir::ScratchDir() {
  std::random_device entropy;
  do {
    path = std::filesystem::temp_directory_path() / ("zol-test-" + std::to_string(entropy()));
  } while (!std::filesystem::create_directory(path));
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

std::filesystem::path source_path(const std::string& relative) {
  return std::filesystem::path(ZOL_SOURCE_DIR) / relative;
}
