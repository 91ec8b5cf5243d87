#include "platform/posix/exit_cleanup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fakes/app_scenario.h"
#include "fakes/failing_file_system.h"

namespace {

class ExitCleanupTest : public AppScenario {
 protected:
  ExitCleanupTest() { rt_state.file_system = &files; }
  // A set of DATA.ZIP (100 bytes) in pieces of 50, and the file that it glues into gone.
  void make_set() {
    write_file("DATA.ZIP", source);
    console.type("s50\r");
    ASSERT_EQ(run("DATA.ZIP"), 0);
    std::filesystem::remove("DATA.ZIP");
    files.reset();
  }
  int split_dropped() { return AppScenario::split_dropped("DATA.ZIP", "50\r"); }
  void expect_failure_rows(int row, const std::string& message) const { expect_end_rows(row, {message}); }

  FailingFileSystem files;
  const std::string source = pattern(100);
};

// Should the run end by a signal while the glue builds the file, the handler's clean-up removes
// the temporary file; once the file has its name, nothing is registered any more.
TEST_F(ExitCleanupTest, TheGluesTemporaryFileIsRemovedWhenASignalEndsTheRun) {
  make_set();
  bool was_there = false;
  files.run_before(FsCall::create, "DATA.2", [&] {
    was_there = exists("DATA.ZIP.tranchor-part");
    exit_cleanup_run();  // what an ending signal's handler does
  });
  console.type_after_flush("k");
  EXPECT_EQ(run("DATA.1"), 1);
  EXPECT_TRUE(was_there);
  EXPECT_FALSE(exists("DATA.ZIP.tranchor-part"));
  EXPECT_FALSE(exists("DATA.ZIP"));
  exit_cleanup_drop("DATA.ZIP.tranchor-part");

  ASSERT_EQ(run("DATA.1"), 0);
  write_file("DATA.ZIP.tranchor-part", "someone else's");
  exit_cleanup_run();
  EXPECT_EQ(read_file("DATA.ZIP"), source);
  EXPECT_EQ(read_file("DATA.ZIP.tranchor-part"), "someone else's");
}

// A split that a signal ends leaves nothing of its set: its piece 1 under the split's own name,
// the pieces made so far and the manifest all go.
TEST_F(ExitCleanupTest, ASplitThatASignalEndsLeavesNothingOfItsSet) {
  for (const char* when : {"DATA.3", "DATA.sha256"}) {
    SCOPED_TRACE(when);
    clear_directory();
    write_file("DATA.ZIP", source);
    files.reset();
    std::string left;
    files.run_before(FsCall::create, when, [&] {
      exit_cleanup_run();  // what an ending signal's handler does; the process would end here
      left = listing();
    });
    console.type("s40\r");
    console.type_after_flush("k");
    EXPECT_EQ(run("DATA.ZIP"), 1);  // going on without its piece 1, the split cannot finish
    EXPECT_EQ(left, "DATA.ZIP");
    exit_cleanup_keep_all();
  }
}

// Only what is written is opened for writing: a glue of pieces that refuse write access works,
// and a piece that is no longer a plain file when it is opened (a FIFO) is a read failure, never
// a wait.
TEST_F(ExitCleanupTest, PiecesAreOnlyReadAndMustBePlainFiles) {
  make_set();
  for (const char* name : {"DATA.1", "DATA.2", "DATA.3"}) files.refuse_write_access_to(name);
  EXPECT_EQ(run("DATA.1"), 0);
  EXPECT_EQ(read_file("DATA.ZIP"), source);
  files.reset();
  std::filesystem::remove("DATA.ZIP");
  files.run_before(FsCall::create, "DATA.2", [] {
    std::filesystem::remove("DATA.2");
    ASSERT_EQ(::mkfifo("DATA.2", 0600), 0);
  });
  console.type_after_flush("k");
  EXPECT_EQ(run("DATA.1"), 1);
  expect_failure_rows(18, "ERROR! Cannot read : DATA.2");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.sha256");
}

// Temporary files that a killed run left go before a split or a glue of the set starts; one that
// a running program holds stays.
TEST_F(ExitCleanupTest, StaleTemporaryFilesOfTheSetGo) {
  make_set();
  for (const char* name : {"DATA.ZIP.tranchor-part", "DATA.ZIP~3.tranchor-part", "DATA.1.tranchor-part"}) {
    write_file(name, "left by a killed run");
  }
  // Another program's glue, at work: its file is locked.
  write_file("DATA.ZIP~2.tranchor-part", "held");
  const int held = ::open("DATA.ZIP~2.tranchor-part", O_RDWR);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_EQ(run("DATA.1"), 0);
  EXPECT_EQ(listing(), "DATA.1 DATA.1.tranchor-part DATA.2 DATA.3 DATA.ZIP DATA.ZIP~2.tranchor-part DATA.sha256");
  EXPECT_EQ(split_dropped(), 0);
  ::close(held);
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.ZIP~2.tranchor-part DATA.sha256");
  EXPECT_EQ(read_file("DATA.ZIP"), source);
}

}  // namespace
