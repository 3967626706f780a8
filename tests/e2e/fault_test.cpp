// Faults around the files: full devices, impossible paths, odd standard streams, other users,
// memory
#include <gtest/gtest.h>

#if defined(__linux__) && !ZOL_TESTS_EMULATED

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/files.h"

namespace {

struct ProgramRun {
  int exit_status = -1;
  std::string out;
  std::string err;
};

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

// Runs the program in dir through the shell, bounded by a timeout so that a
// hang fails the test. The streams are kept outside dir. Every name in these
// tests is free of quotes.
ProgramRun run_program(const ScratchDir& dir, const Invocation& how) {
  const std::string streams = "/tmp/zol-test-streams-" + dir.path.filename().string();
  std::ofstream(streams + ".in", std::ios::binary) << how.stdin_text;
  std::string command("cd '");
  command.append(dir.path.string()).append("' && ").append(how.shell);
  command.append(" timeout 120 ").append(how.prefix).append(" '").append(ZOL_BINARY).append("'");
  for (const auto& arg : how.args) command.append(" '").append(arg).append("'");
  command.append(" <").append(streams).append(".in >").append(streams).append(".out 2>");
  command.append(streams).append(".err ").append(how.redirections);
  const int status = std::system(command.c_str());
  ProgramRun run;
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = read_file(streams + ".out");
  run.err = read_file(streams + ".err");
  for (const char* suffix : {".in", ".out", ".err"}) std::filesystem::remove(streams + suffix);
  return run;
}

namespace fs = std::filesystem;

const std::string CANNOT_OPEN_INPUT = "Could not open input file.\n";
const std::string READ_ERROR = "Error in reading input data.\n";
const std::string CANNOT_OPEN_OUTPUT = "Could not open output file.\n";
const std::string WRITE_ERROR = "Error in writing output file.\n";
const std::string PROMPTS = "\nPlease enter the input filename:\nPlease enter the output filename:";

// A write that cannot complete raises SIGXFSZ unless it is ignored; ignored,
// the write fails with EFBIG, as on a full disk. The limit is in blocks of
// 512 or 1024 bytes, depending on the shell: either way less than the report
// of the shipped 40-item example, about 6 kB.
const std::string FILE_SIZE_LIMIT = "trap '' XFSZ; ulimit -f 2;";

// Every case ends in status 1 with its message alone on standard output and
// nothing on standard error unless explained. The example input is in.txt.
struct Case {
  std::string name;
  Invocation how;
  std::string expected_out;
  std::vector<std::string> kept = {};    // names that must exist after the run
  std::vector<std::string> absent = {};  // names that must not
  std::string expected_err = {};
};

void run_case(const Case& c) {
  ScratchDir dir;
  const std::string input = read_file(source_path("examples/forms40.txt"));
  dir.write("in.txt", input);
  const ProgramRun run = run_program(dir, c.how);
  EXPECT_EQ(run.exit_status, 1) << c.name;
  EXPECT_EQ(run.out, c.expected_out) << c.name;
  EXPECT_EQ(run.err, c.expected_err) << c.name;
  for (const auto& name : c.kept) EXPECT_TRUE(dir.has(name)) << c.name << ": " << name;
  for (const auto& name : c.absent) EXPECT_FALSE(dir.has(name)) << c.name << ": " << name;
  // The input is only ever read.
  if (fs::is_regular_file(dir.path / "in.txt")) {
    EXPECT_EQ(read_file(dir.path / "in.txt"), input) << c.name;
  }
}

TEST(FaultTest, AReportThatCannotBeWrittenWholeEndsInItsMessage) {
  const Case cases[] = {
      // As root, permission bits stop no write; a path through a file stops all.
      {"output path under a regular file", {{"in.txt", "in.txt/out.txt"}}, CANNOT_OPEN_OUTPUT},
      {"output path a directory", {{"in.txt", "."}}, CANNOT_OPEN_OUTPUT},
      {"full device named as the report", {{"in.txt", "/dev/full"}}, WRITE_ERROR},
      {"full device, explained",
       {{"--explain", "in.txt", "/dev/full"}},
       WRITE_ERROR,
       {},
       {},
       "zol: cannot write report file '/dev/full': No space left on device\n"},
      {"full device named at the prompt", {{}, "in.txt /dev/full\n"}, PROMPTS + WRITE_ERROR},
      // What was written stays where it is: the program never deletes a file
      // the user named, which may be a device or a link to someone else's file.
      {"file size limit reached mid-report",
       {{"in.txt", "out.txt"}, "", FILE_SIZE_LIMIT},
       WRITE_ERROR,
       {"out.txt"}},
      {"file size limit at the prompts",
       {{}, "in.txt out.txt\n", FILE_SIZE_LIMIT},
       PROMPTS + WRITE_ERROR,
       {"out.txt"}},
      {"file size limit through a symbolic link",
       {{"in.txt", "link.txt"},
        "",
        FILE_SIZE_LIMIT + "echo old >target.txt; ln -s target.txt link.txt;"},
       WRITE_ERROR,
       {"link.txt", "target.txt"}},
      // The input is never overwritten, whatever name reaches it.
      {"report a hard link to the input",
       {{"in.txt", "hard.txt"}, "", "ln in.txt hard.txt;"},
       CANNOT_OPEN_OUTPUT,
       {"hard.txt"}},
      {"report a symbolic link to the input, explained",
       {{"--explain", "in.txt", "link.txt"}, "", "ln -s in.txt link.txt;"},
       CANNOT_OPEN_OUTPUT,
       {"link.txt"},
       {},
       "zol: the report file 'link.txt' is the input file; writing it would destroy the input, "
       "so nothing was written\n"},
      // The message itself cannot reach a full standard output; the status can.
      {"failure message on a full standard output",
       {{"missing.txt", "out.txt"}, "", "", "", ">/dev/full"},
       "",
       {},
       {"out.txt"}},
  };
  for (const Case& c : cases) run_case(c);
}

TEST(FaultTest, InputsThatAreNoFileOfFormsEndInTheirMessage) {
  const Case cases[] = {
      // A directory opens for reading here, and its first read fails.
      {"input a directory",
       {{"forms", "out.txt"}, "", "mkdir forms;"},
       READ_ERROR,
       {},
       {"out.txt"}},
      // The sections are counted ahead and read again, which a pipe cannot do.
      {"input a named pipe",
       {{"pipe", "out.txt"}, "", "mkfifo pipe; cat in.txt >pipe &"},
       READ_ERROR,
       {},
       {"out.txt"}},
      {"input a named pipe, explained",
       {{"--explain", "pipe", "out.txt"}, "", "mkfifo pipe; cat in.txt >pipe &"},
       READ_ERROR,
       {},
       {"out.txt"},
       "zol: pipe: the input must be a regular file: its sections are counted before they are "
       "read, which a pipe, a terminal or a device cannot repeat\n"},
      {"input the null device", {{"/dev/null", "out.txt"}}, READ_ERROR, {}, {"out.txt"}},
      {"input a dangling symbolic link",
       {{"link.txt", "out.txt"}, "", "ln -s nowhere.txt link.txt;"},
       CANNOT_OPEN_INPUT,
       {},
       {"out.txt", "nowhere.txt"}},
      {"standard input closed at the prompts",
       {{}, "", "", "", "<&-"},
       PROMPTS + CANNOT_OPEN_INPUT},
  };
  for (const Case& c : cases) run_case(c);
}

TEST(FaultTest, PromptsOnAFullStandardOutputStillGiveTheWholeReport) {
  ScratchDir dir;
  dir.write("in.txt", read_file(source_path("examples/forms40.txt")));
  const ProgramRun run = run_program(dir, {{}, "in.txt out.txt\n", "", "", ">/dev/full"});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(read_file(dir.path / "out.txt"),
            read_file(source_path("examples/forms40.report")).replace(20, 11, "in.txt"));
}

// Permission bits stop only other users: as root the program runs as nobody,
// through setpriv. Where that is not possible the test is skipped.
TEST(FaultTest, FilesClosedToTheUserEndInTheOpenMessages) {
  const std::string as_nobody =
      geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
  const std::string closed =
      "chmod 777 .; chmod 444 in.txt; cp in.txt closed.txt; chmod 0 closed.txt;"
      "mkdir read-only; chmod 555 read-only;";
  const Case cases[] = {
      {"input without read permission",
       {{"closed.txt", "out.txt"}, "", closed, as_nobody},
       CANNOT_OPEN_INPUT,
       {},
       {"out.txt"}},
      {"output in a directory without write permission",
       {{"in.txt", "read-only/out.txt"}, "", closed, as_nobody},
       CANNOT_OPEN_OUTPUT,
       {},
       {"read-only/out.txt"}},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("in.txt", "");
    // 126 and 127: the shell could not start the program as that user.
    const ProgramRun probe = run_program(dir, {{"in.txt"}, "", "", as_nobody});
    if (probe.exit_status == 126 || probe.exit_status == 127) {
      GTEST_SKIP() << "cannot run the program as another user: " << probe.err;
    }
    run_case(c);
  }
}

// The order in which a run can stop for want of memory: later stages need
// everything the earlier ones hold, so more memory never stops a run sooner.
int progress(const ProgramRun& run) {
  const std::string messages[] = {CANNOT_OPEN_INPUT, READ_ERROR, "Could not allocate memory.\n",
                                  "Error in calculating equating functions.\n"};
  if (run.exit_status == 0 && run.out.empty()) return static_cast<int>(std::size(messages));
  for (std::size_t i = 0; i < std::size(messages); ++i) {
    if (run.exit_status == 1 && run.out == messages[i]) return static_cast<int>(i);
  }
  return -1;
}

// Address space limits from too small for the program to start to enough for
// the whole run, in steps of 1 MB: each run ends in a message and status 1
// with no report, or in the whole report. An old form of 200,000 items needs
// some 25 MB more than the program itself, so every stage meets the limit;
// its item of three categories makes the computation copy the 3PL items'
// parameters, some 5 MB.
// AddressSanitizer reserves terabytes of address space: not under a sanitizer.
TEST(FaultTest, RunningOutOfMemoryAnywhereEndsInAMessageNeverInAWrongReport) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "address space limits do not apply under AddressSanitizer";
#endif
  ScratchDir dir;
  std::string input = "$Item_Parameters\nN01 1.0 0.0 0.2\nN02 1.5 0.5 0.25\nN03 0.8 -1.0 0.0\n";
  input.append("$Link_Item_Parameters\n");
  for (int i = 0; i < 200000; ++i) input.append("O 1 0 0.2\n");
  input.append("OPC GPCM 3 1 -1 1\n");
  dir.write("in.txt", input);
  ASSERT_EQ(run_program(dir, {{"--mixed-format", "in.txt", "whole.txt"}}).exit_status, 0);
  const std::string report = read_file(dir.path / "whole.txt");

  std::vector<int> reached(5, 0);
  int furthest = -1;
  for (int megabytes = 2; reached[4] < 3 && megabytes < 512; ++megabytes) {
    const std::string limit = "ulimit -v " + std::to_string(megabytes * 1024) + ";";
    const ProgramRun run = run_program(dir, {{"--mixed-format", "in.txt", "out.txt"}, "", limit});
    const int now = progress(run);
    if (now < 0 && furthest < 0) continue;  // the program itself could not be loaded
    ASSERT_GE(now, furthest) << megabytes << " MB: " << run.exit_status << " " << run.out
                             << run.err;
    furthest = now;
    ++reached[static_cast<std::size_t>(now)];
    EXPECT_EQ(run.err, "") << megabytes << " MB";
    EXPECT_EQ(dir.has("out.txt"), run.exit_status == 0) << megabytes << " MB";
    if (run.exit_status == 0) {
      EXPECT_EQ(read_file(dir.path / "out.txt"), report) << megabytes << " MB";
    }
    fs::remove(dir.path / "out.txt");
  }
  EXPECT_EQ(reached[4], 3);
  EXPECT_GT(reached[1], 0) << "the reader ran out of memory";
  // The equating's copy of the records and its results need less than reading
  // held at its peak, so no limit stops a run there alone: the allocation
  // tests fail those allocations one by one instead.
  EXPECT_GT(reached[3], 0) << "the computation ran out of memory";
}

}  // namespace

#else

TEST(FaultTest, NeedsTheProgramNativeOnLinux) {
  GTEST_SKIP() << "full devices, other users, file size and memory limits are Linux's, and the "
                  "shell that starts the program must run it natively, not under an emulator";
}

#endif
