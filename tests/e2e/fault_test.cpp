// Faults around the files: full devices, impossible paths, odd standard streams, other users
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;

const std::string CANNOT_OPEN_INPUT = "Could not open input file.\n";
const std::string READ_ERROR = "Error in reading input data.\n";
const std::string CANNOT_OPEN_OUTPUT = "Could not open output file.\n";
const std::string WRITE_ERROR = "Error in writing output file.\n";
const std::string PROMPTS = "\nPlease enter the input filename:\nPlease enter the output filename:";

// The shipped 40-item example: a report of about 6 kB, larger than the file
// size limits below.
std::string example_input() {
  return read_file(source_path("examples/forms40.txt"));
}

// Like run_program, with shell words before the program: a preamble for the
// shell (limits, signal dispositions) and a prefix for the command itself
// (another user). Every run is bounded by timeout, so that a program that
// hangs on a directory or a device fails the test (status 124) instead of
// stalling the suite.
ProgramRun run_wrapped(const ScratchDir& dir, const std::string& preamble,
                       const std::string& prefix, const std::vector<std::string>& args,
                       const std::string& stdin_text = "", const std::string& redirections = "") {
  dir.write(".stdin", stdin_text);
  std::string command("cd '");
  command.append(dir.path.string()).append("' && ").append(preamble).append(" timeout 120 ");
  command.append(prefix).append(" '").append(ZOL_BINARY).append("'");
  // Every name in these tests is free of quotes.
  for (const auto& arg : args) command.append(" '").append(arg).append("'");
  command.append(" <.stdin >.stdout 2>.stderr ").append(redirections);
  const int status = std::system(command.c_str());
  ProgramRun run;
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = read_file(dir.path / ".stdout");
  run.err = read_file(dir.path / ".stderr");
  for (const char* scratch : {".stdin", ".stdout", ".stderr"}) fs::remove(dir.path / scratch);
  return run;
}

// Sets up the scratch directory for one case.
using Setup = void (*)(const ScratchDir&);

// Every case ends in status 1 with its message alone on standard output.
struct Case {
  std::string name;
  Setup setup = nullptr;
  std::vector<std::string> args;
  std::string expected_out;
  std::string stdin_text;
  std::string preamble;
  std::string redirections;
  std::vector<std::string> absent_after;   // names that must not exist after the run
  std::vector<std::string> present_after;  // names that must still exist

  Case& typed(std::string text) {
    stdin_text = std::move(text);
    return *this;
  }
  Case& under(std::string shell_words) {
    preamble = std::move(shell_words);
    return *this;
  }
  Case& redirected(std::string shell_redirections) {
    redirections = std::move(shell_redirections);
    return *this;
  }
  Case& leaves_no(std::vector<std::string> names) {
    absent_after = std::move(names);
    return *this;
  }
  Case& keeps(std::vector<std::string> names) {
    present_after = std::move(names);
    return *this;
  }
};

Case refused(std::string name, Setup setup, std::vector<std::string> args,
             std::string expected_out) {
  Case c;
  c.name = std::move(name);
  c.setup = setup;
  c.args = std::move(args);
  c.expected_out = std::move(expected_out);
  return c;
}

void input_only(const ScratchDir& dir) {
  dir.write("in.txt", example_input());
}
void with_directories(const ScratchDir& dir) {
  input_only(dir);
  fs::create_directory(dir.path / "forms");
  fs::create_directory(dir.path / "reports");
}
void with_old_report(const ScratchDir& dir) {
  input_only(dir);
  dir.write("out.txt", "an earlier report\n");
}
void with_dangling_link(const ScratchDir& dir) {
  input_only(dir);
  fs::create_symlink("nowhere.txt", dir.path / "link.txt");
}

void with_link_to_report(const ScratchDir& dir) {
  input_only(dir);
  dir.write("target.txt", "an earlier report\n");
  fs::create_symlink("target.txt", dir.path / "link.txt");
}

void run_case(const Case& c) {
  ScratchDir dir;
  c.setup(dir);
  const ProgramRun run = run_wrapped(dir, c.preamble, "", c.args, c.stdin_text, c.redirections);
  EXPECT_EQ(run.exit_status, 1) << c.name;
  EXPECT_EQ(run.out, c.expected_out) << c.name;
  EXPECT_EQ(run.err, "") << c.name;
  for (const auto& name : c.absent_after) EXPECT_FALSE(dir.has(name)) << c.name << ": " << name;
  for (const auto& name : c.present_after) {
    EXPECT_TRUE(fs::exists(fs::symlink_status(dir.path / name))) << c.name << ": " << name;
  }
  // The input is only ever read.
  if (dir.has("in.txt") && fs::is_regular_file(dir.path / "in.txt")) {
    EXPECT_EQ(read_file(dir.path / "in.txt"), example_input()) << c.name;
  }
}

// A write that cannot complete raises SIGXFSZ unless it is ignored; ignored,
// the write fails with EFBIG, as on a full disk. The limit is in blocks of
// 512 or 1024 bytes, depending on the shell: either way less than the report.
const std::string FILE_SIZE_LIMIT = "trap '' XFSZ; ulimit -f 2;";

TEST(FaultTest, AReportThatCannotBeWrittenWholeEndsInItsMessage) {
  const std::vector<Case> cases = {
      // We run as root, for whom permission bits stop no write; a path that
      // passes through a regular file fails for everyone.
      refused("output path under a regular file", input_only, {"in.txt", "in.txt/out.txt"},
              CANNOT_OPEN_OUTPUT),
      refused("output path a directory", with_directories, {"in.txt", "reports"},
              CANNOT_OPEN_OUTPUT),
      refused("empty output name", input_only, {"in.txt", ""}, CANNOT_OPEN_OUTPUT),
      refused("full device named as the report", input_only, {"in.txt", "/dev/full"}, WRITE_ERROR)
          .keeps({"/dev/full"}),
      refused("full device named at the prompt", input_only, {}, PROMPTS + WRITE_ERROR)
          .typed("in.txt /dev/full\n")
          .keeps({"/dev/full"}),
      // What was written stays where it is: the program never deletes a file
      // the user named, which may be a device or a link to someone else's file.
      refused("file size limit reached mid-report", input_only, {"in.txt", "out.txt"}, WRITE_ERROR)
          .under(FILE_SIZE_LIMIT)
          .keeps({"out.txt"}),
      refused("file size limit over an earlier report", with_old_report, {"in.txt", "out.txt"},
              WRITE_ERROR)
          .under(FILE_SIZE_LIMIT)
          .keeps({"out.txt"}),
      refused("file size limit at the prompts", input_only, {}, PROMPTS + WRITE_ERROR)
          .typed("in.txt out.txt\n")
          .under(FILE_SIZE_LIMIT)
          .keeps({"out.txt"}),
      refused("file size limit through a symbolic link", with_link_to_report,
              {"in.txt", "link.txt"}, WRITE_ERROR)
          .under(FILE_SIZE_LIMIT)
          .keeps({"link.txt", "target.txt"}),
      // The message itself cannot reach a full standard output; the status can.
      refused("failure message on a full standard output", input_only, {"missing.txt", "out.txt"},
              "")
          .redirected(">/dev/full")
          .leaves_no({"out.txt"}),
  };
  for (const Case& c : cases) run_case(c);
}

TEST(FaultTest, InputsThatAreNoFileOfFormsEndInTheirMessage) {
  const std::vector<Case> cases = {
      // A directory opens for reading on this system, and its first read fails.
      refused("input a directory", with_directories, {"forms", "out.txt"}, READ_ERROR)
          .leaves_no({"out.txt"}),
      refused("input a directory named at the prompt", with_directories, {}, PROMPTS + READ_ERROR)
          .typed("forms out.txt")
          .leaves_no({"out.txt"}),
      // The sections are counted ahead and read again, which a pipe cannot do.
      refused("input a named pipe", input_only, {"pipe", "out.txt"}, READ_ERROR)
          .under("mkfifo pipe; cat in.txt >pipe &")
          .leaves_no({"out.txt"}),
      refused("input the null device", input_only, {"/dev/null", "out.txt"}, READ_ERROR)
          .leaves_no({"out.txt"}),
      refused("input path under a regular file", input_only, {"in.txt/forms.txt", "out.txt"},
              CANNOT_OPEN_INPUT)
          .leaves_no({"out.txt"}),
      refused("input a dangling symbolic link", with_dangling_link, {"link.txt", "out.txt"},
              CANNOT_OPEN_INPUT)
          .leaves_no({"out.txt", "nowhere.txt"}),
      refused("empty input name", input_only, {"", "out.txt"}, CANNOT_OPEN_INPUT)
          .leaves_no({"out.txt"}),
      refused("standard input a directory", input_only, {}, PROMPTS + CANNOT_OPEN_INPUT)
          .redirected("<."),
      refused("standard input the null device", input_only, {}, PROMPTS + CANNOT_OPEN_INPUT)
          .redirected("</dev/null"),
  };
  for (const Case& c : cases) run_case(c);
}

TEST(FaultTest, PromptsOnAFullStandardOutputStillGiveTheWholeReport) {
  ScratchDir dir;
  input_only(dir);
  const ProgramRun reference = run_wrapped(dir, "", "", {"in.txt", "reference.txt"});
  ASSERT_EQ(reference.exit_status, 0);
  const ProgramRun run = run_wrapped(dir, "", "", {}, "in.txt out.txt\n", ">/dev/full");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(read_file(dir.path / "out.txt"), read_file(dir.path / "reference.txt"));
}

// Permission bits stop only other users: as root the program runs as nobody,
// through setpriv. Where neither is possible (setpriv missing, or the build
// tree closed to other users) the test is skipped.
TEST(FaultTest, FilesClosedToTheUserEndInTheOpenMessages) {
  const bool as_root = geteuid() == 0;
  const std::string prefix = as_root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
  struct Closed {
    std::string name;
    std::vector<std::string> args;
    std::string expected_out;
  };
  const std::vector<Closed> cases = {
      {"input without read permission", {"closed.txt", "out.txt"}, CANNOT_OPEN_INPUT},
      {"output in a directory without write permission",
       {"in.txt", "read-only/out.txt"},
       CANNOT_OPEN_OUTPUT},
  };
  for (const Closed& c : cases) {
    ScratchDir dir;
    input_only(dir);
    dir.write("closed.txt", example_input());
    fs::create_directory(dir.path / "read-only");
    fs::permissions(dir.path, fs::perms::all);
    fs::permissions(dir.path / "in.txt", fs::perms::owner_read | fs::perms::others_read);
    fs::permissions(dir.path / "closed.txt", fs::perms::none);
    fs::permissions(dir.path / "read-only", fs::perms::owner_read | fs::perms::owner_exec |
                                                fs::perms::others_read | fs::perms::others_exec);
    const ProgramRun run = run_wrapped(dir, "", prefix, c.args);
    // 126 and 127: the shell could not start the program as that user.
    if (run.exit_status == 126 || run.exit_status == 127) {
      GTEST_SKIP() << "cannot run the program as another user: " << run.err;
    }
    EXPECT_EQ(run.exit_status, 1) << c.name;
    EXPECT_EQ(run.out, c.expected_out) << c.name;
    EXPECT_EQ(run.err, "") << c.name;
    EXPECT_FALSE(dir.has("out.txt")) << c.name;
    EXPECT_FALSE(dir.has("read-only/out.txt")) << c.name;
  }
}

// The order in which a run can stop for want of memory: later stages need
// everything the earlier ones hold, so more memory never stops a run sooner.
int progress(const ProgramRun& run, const std::string& prompts_and_message) {
  const std::vector<std::string> messages = {CANNOT_OPEN_INPUT,
                                             READ_ERROR,
                                             "Could not allocate memory.\n",
                                             "Error in calculating equating functions.\n",
                                             CANNOT_OPEN_OUTPUT,
                                             WRITE_ERROR};
  if (run.exit_status == 0 && run.out.empty()) return static_cast<int>(messages.size());
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (run.exit_status == 1 && run.out == messages[i] + prompts_and_message) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// Address space limits from too small for the program to start to enough for
// the whole run, in steps of 1 MB: each run ends in a message and status 1
// with no report, or in the whole report. An old form of 200,000 items needs
// some 25 MB more than the program itself, so every stage meets the limit.
// AddressSanitizer reserves terabytes of address space: not under a sanitizer.
TEST(FaultTest, RunningOutOfMemoryAnywhereEndsInAMessageNeverInAWrongReport) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "address space limits do not apply under AddressSanitizer";
#endif
  ScratchDir dir;
  std::string input = "$Item_Parameters\nN01 1.0 0.0 0.2\nN02 1.5 0.5 0.25\nN03 0.8 -1.0 0.0\n";
  input.append("$Link_Item_Parameters\n");
  for (int i = 0; i < 200000; ++i) input.append("O 1 0 0.2\n");
  dir.write("in.txt", input);
  const ProgramRun whole = run_wrapped(dir, "", "", {"in.txt", "whole.txt"});
  ASSERT_EQ(whole.exit_status, 0);
  const std::string report = read_file(dir.path / "whole.txt");

  std::vector<int> reached(8, 0);
  int furthest = -1;
  int successes = 0;
  for (int kilobytes = 2048; successes < 3 && kilobytes < 512 * 1024; kilobytes += 1024) {
    const std::string limit =
        std::string("ulimit -v ").append(std::to_string(kilobytes)).append(";");
    const ProgramRun run = run_wrapped(dir, limit, "", {"in.txt", "out.txt"});
    const std::string name = std::to_string(kilobytes) + " kB";
    const int now = progress(run, "");
    if (now < 0 && furthest < 0) continue;  // the program itself could not be loaded
    ASSERT_GE(now, furthest) << name << ": " << run.exit_status << " " << run.out << run.err;
    furthest = now;
    ++reached[static_cast<std::size_t>(now)];
    EXPECT_EQ(run.err, "") << name;
    if (run.exit_status == 0) {
      ++successes;
      EXPECT_EQ(read_file(dir.path / "out.txt"), report) << name;
      fs::remove(dir.path / "out.txt");
    } else {
      EXPECT_FALSE(dir.has("out.txt")) << name;
    }
  }
  EXPECT_EQ(successes, 3);
  EXPECT_GT(reached[1], 0) << "the reader ran out of memory";
  EXPECT_GT(reached[2], 0) << "the workspace ran out of memory";
  EXPECT_GT(reached[3], 0) << "the computation ran out of memory";
}

}  // namespace
