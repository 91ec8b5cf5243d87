// Failures that the services only record are shown by the tool, which then ends with exit code
// 1 and never leaves a changed source or a partial output behind.
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
    write_file("DATA.zip", "the old file");
    console.type_after_flush("k");
  }
  void expect_failure_rows(int row, const std::string& message) const { expect_end_rows(row, {message}); }

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
  EXPECT_EQ(read_file("DATA.zip"), "the old file");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.zip");
}

TEST_F(FailureTest, PieceThatCannotBeReadForTheJoin) {
  make_set();
  files.fail_read_of("DATA.3");
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot read : DATA.3");
  EXPECT_EQ(read_file("DATA.zip"), "the old file");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.zip");
}

TEST_F(FailureTest, FullDiskWhileWritingTheOutput) {
  make_set();
  files.short_write_to("DATA.zip", 1);
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot write : DATA.zip");
  EXPECT_EQ(read_file("DATA.zip"), "the old file");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.zip");
}

TEST_F(FailureTest, OutputThatCannotBeCreated) {
  make_set();
  std::filesystem::remove("DATA.zip");
  files.fail_open_of("DATA.zip", FS_ERROR_ACCESS_DENIED);
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot write : DATA.zip");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP");
}

TEST_F(FailureTest, JoinedFileThatCannotTakeItsNameKeepsTheOldOne) {
  make_set();
  files.fail_call_after(FsCall::rename, 0, FS_ERROR_ACCESS_DENIED);
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot write : DATA.zip");
  EXPECT_EQ(read_file("DATA.zip"), "the old file");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.zip");
}

}  // namespace
