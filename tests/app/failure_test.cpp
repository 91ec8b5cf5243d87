// Failures that the services only record are shown by the tool, which then ends with exit code
// 1 and never leaves a changed source or a partial output behind.
#include <functional>

#include "fakes/app_scenario.h"
#include "fakes/failing_file_system.h"

namespace {

class FailureTest : public AppScenario {
 protected:
  FailureTest() {
    rt_state.file_system = &files;
    source = pattern(100);
    write_file("DATA.ZIP", source);
    console.type_after_flush("k");
  }
  int split_dropped() { return AppScenario::split_dropped("DATA.ZIP", "50\r"); }
  void make_set() {
    files.reset();
    ASSERT_EQ(split_dropped(), 0);
    write_file("DATA.ZIP", "the old file");  // the file of the set's name, changed since the split
    console.type_after_flush("k");
  }
  // An empty folder with the source alone, and no failure planned.
  void start_again() {
    clear_directory();
    files.reset();
    write_file("DATA.ZIP", source);
  }
  void expect_failure_rows(int row, const std::string& message) const { expect_end_rows(row, {message}); }
  // Splits DATA.ZIP at 50, dropped or as a script, and expects it to fail: the screen shows the
  // row, the script's one line on standard error is the line.
  void expect_split_failure(bool scripted, const std::string& row, const std::string& line) {
    if (scripted) {
      ::testing::internal::CaptureStderr();
      EXPECT_EQ(run("--split 50 DATA.ZIP"), 1);
      EXPECT_EQ(::testing::internal::GetCapturedStderr(), "tranchor: " + line + "\n");
    } else {
      console.type_after_flush("k");
      EXPECT_EQ(split_dropped(), 1);
      expect_failure_rows(18, row);
    }
  }

  FailingFileSystem files;
  std::string source;
};

TEST_F(FailureTest, SourceThatCannotBeOpened) {
  files.fail_open_of("DATA.ZIP", FS_ERROR_SHARING_VIOLATION);
  EXPECT_EQ(split_dropped(), 1);
  EXPECT_EQ(console.row(10), "\xfe Split file into pieces");
  expect_failure_rows(11, "ERROR! Cannot read : DATA.ZIP");
  EXPECT_EQ(listing(), "DATA.ZIP");
}

TEST_F(FailureTest, SourceThatCannotBeRead) {
  files.fail_read_of("DATA.ZIP", 1);  // the drop detection's look still works
  EXPECT_EQ(split_dropped(), 1);
  expect_failure_rows(18, "ERROR! Cannot read : DATA.ZIP");
  EXPECT_EQ(read_file("DATA.ZIP"), source);
}

TEST_F(FailureTest, PieceThatCannotBeCreated) {
  files.fail_open_of("DATA.2", FS_ERROR_ACCESS_DENIED);
  EXPECT_EQ(split_dropped(), 1);
  EXPECT_EQ(console.row(17), "\xfe" "DATA.ZIP");
  expect_failure_rows(18, "ERROR! Cannot write : DATA.2");
  EXPECT_EQ(read_file("DATA.ZIP"), source);
}

TEST_F(FailureTest, FullDiskWhileWritingAPiece) {
  files.short_write_to("DATA.2");
  EXPECT_EQ(split_dropped(), 1);
  expect_failure_rows(18, "ERROR! Cannot write : DATA.2");
  EXPECT_EQ(read_file("DATA.ZIP"), source);
}

TEST_F(FailureTest, PieceThatCannotBeOpenedForTheJoin) {
  make_set();
  files.fail_open_of("DATA.2", FS_ERROR_SHARING_VIOLATION);
  EXPECT_EQ(run("DATA.1"), 1);
  EXPECT_EQ(console.row(17), "\xfe Now adding : DATA.1");
  expect_failure_rows(18, "ERROR! Cannot read : DATA.2");
  EXPECT_EQ(read_file("DATA.ZIP"), "the old file");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.sha256");
}

TEST_F(FailureTest, PieceThatCannotBeReadForTheJoin) {
  make_set();
  files.fail_read_of("DATA.3");
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot read : DATA.3");
  EXPECT_EQ(read_file("DATA.ZIP"), "the old file");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.sha256");
}

TEST_F(FailureTest, FullDiskWhileWritingTheOutput) {
  make_set();
  files.short_write_to("DATA.ZIP", 1);
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot write : DATA.ZIP");
  EXPECT_EQ(read_file("DATA.ZIP"), "the old file");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.sha256");
}

TEST_F(FailureTest, OutputThatCannotBeCreated) {
  make_set();
  std::filesystem::remove("DATA.ZIP");
  files.fail_open_of("DATA.ZIP", FS_ERROR_ACCESS_DENIED);
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot write : DATA.ZIP");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.sha256");
}

TEST_F(FailureTest, JoinedFileThatCannotTakeItsNameKeepsTheOldOne) {
  make_set();
  files.fail_call_after(FsCall::rename, 0, FS_ERROR_ACCESS_DENIED);
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot write : DATA.ZIP");
  EXPECT_EQ(read_file("DATA.ZIP"), "the old file");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.sha256");
}

// A split that fails at any step leaves no set that glues: nothing of its own, and of an earlier
// set of the same file no piece 1. The stderr line of a scripted split ends with the reason.
TEST_F(FailureTest, AFailedSplitLeavesNoSetThatGlues) {
  struct Case {
    const char* what;
    std::function<void(FailingFileSystem&, bool scripted)> inject;
    std::string row, line;
  };
  const Case cases[] = {
      {"piece 2 cannot be made", [](FailingFileSystem& f, bool) { f.fail_open_of("DATA.2", FS_ERROR_ACCESS_DENIED); },
       "ERROR! Cannot write : DATA.2", "ERROR! Cannot write : DATA.2: Permission denied"},
      {"the disk is full in piece 3", [](FailingFileSystem& f, bool) { f.short_write_to("DATA.3"); },
       "ERROR! Cannot write : DATA.3", "ERROR! Cannot write : DATA.3: No space left on device"},
      {"an invalid argument", [](FailingFileSystem& f, bool) { f.short_write_to("DATA.2", 0, FS_ERROR_INVALID_PARAMETER); },
       "ERROR! Cannot write : DATA.2", "ERROR! Cannot write : DATA.2: Invalid argument"},
      {"the source cannot be read", [](FailingFileSystem& f, bool) { f.fail_read_of("DATA.ZIP", 2); },
       "ERROR! Cannot read : DATA.ZIP", "ERROR! Cannot read : DATA.ZIP: Input/output error"},
      {"a full disk found at close", [](FailingFileSystem& f, bool) { f.fail_close_of("DATA.2", FS_ERROR_DISK_FULL); },
       "ERROR! Cannot write : DATA.2", "ERROR! Cannot write : DATA.2: No space left on device"},
      {"the pieces do not reach the disk",
       [](FailingFileSystem& f, bool) { f.fail_call_after(FsCall::flush_written, 0, FS_ERROR_WRITE_FAULT); },
       "ERROR! Cannot write : DATA.1", "ERROR! Cannot write : DATA.1: Input/output error"},
      {"piece 1 cannot take its name", [](FailingFileSystem& f, bool) { f.fail_call_after(FsCall::rename, 0, FS_ERROR_ACCESS_DENIED); },
       "ERROR! Cannot write : DATA.1", "ERROR! Cannot write : DATA.1: Permission denied"},
  };
  for (const bool scripted : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (scripted ? ", scripted" : ""));
      start_again();
      console.type("s40\r");
      ASSERT_EQ(run("DATA.ZIP"), 0);  // an earlier set of the same file: 40, 40, 38 bytes
      c.inject(files, scripted);
      expect_split_failure(scripted, c.row, c.line);
      files.reset();
      const std::string left = listing();
      EXPECT_EQ(left.find("DATA.1"), std::string::npos) << left;
      EXPECT_EQ(left.find("tranchor-part"), std::string::npos) << left;
      ::testing::internal::CaptureStderr();
      EXPECT_EQ(run("--glue DATA"), 1);  // nothing to glue: no piece 1
      EXPECT_EQ(::testing::internal::GetCapturedStderr(), "tranchor: File not found : DATA.1\n");
      EXPECT_EQ(read_file("DATA.ZIP"), source);
    }
  }
}

// A source that changes while it is split leaves no set: one that grows would glue into the file
// as it was, one that shrinks fails its read.
TEST_F(FailureTest, ASourceThatChangesWhileItIsSplitLeavesNoSet) {
  struct Case {
    const char* what;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"grows", [] { write_file("DATA.ZIP", pattern(110)); }},
      {"shrinks", [] { write_file("DATA.ZIP", pattern(60)); }},
  };
  for (const bool scripted : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (scripted ? ", scripted" : ""));
      start_again();
      files.run_before(FsCall::create, "DATA.2", c.change);
      expect_split_failure(scripted, "ERROR! Cannot read : DATA.ZIP", "ERROR! Cannot read : DATA.ZIP: it changed while it was split");
      EXPECT_EQ(listing(), "DATA.ZIP");
    }
  }
}

// Done means on the disk: a split flushes what it wrote before piece 1 gets its name and the
// folder after; a glue flushes its file before the rename and the folder after.
TEST_F(FailureTest, FlushesComeBeforeTheNamesAndTheFolderAfter) {
  make_set();
  EXPECT_EQ(files.calls(FsCall::flush_written), 1);
  EXPECT_EQ(files.calls(FsCall::flush_directory), 1);
  files.reset();
  EXPECT_EQ(run("DATA.1"), 0);
  EXPECT_EQ(files.calls(FsCall::flush), 1);
  EXPECT_EQ(files.calls(FsCall::flush_directory), 1);
  EXPECT_EQ(read_file("DATA.ZIP"), source);
  files.reset();
  files.fail_call_after(FsCall::flush, 0, FS_ERROR_WRITE_FAULT);
  console.type_after_flush("k");
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot write : DATA.ZIP");
  EXPECT_EQ(read_file("DATA.ZIP"), source);
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.sha256");
}

}  // namespace
