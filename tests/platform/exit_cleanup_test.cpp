#include "platform/posix/exit_cleanup.h"

#include "fakes/app_scenario.h"
#include "fakes/failing_file_system.h"

namespace {

class ExitCleanupTest : public AppScenario {};

// Should the run end by a signal while the glue builds the file, the handler's clean-up removes
// the temporary file; once the file has its name, nothing is registered any more.
TEST_F(ExitCleanupTest, TheGluesTemporaryFileIsRemovedWhenASignalEndsTheRun) {
  FailingFileSystem files;
  rt_state.file_system = &files;
  write_file("DATA.ZIP", pattern(100));
  console.type("s50\r");
  ASSERT_EQ(run("DATA.ZIP"), 0);
  std::filesystem::rename("DATA.ZIP", "original");

  bool was_there = false;
  files.run_before(FsCall::create, "DATA.2", [&] {
    was_there = exists("DATA.zip.tranchor-part");
    exit_cleanup_run();  // what an ending signal's handler does
  });
  console.type_after_flush("k");
  EXPECT_EQ(run("DATA.1"), 1);
  EXPECT_TRUE(was_there);
  EXPECT_FALSE(exists("DATA.zip.tranchor-part"));
  EXPECT_FALSE(exists("DATA.zip"));
  exit_cleanup_drop("DATA.zip.tranchor-part");

  ASSERT_EQ(run("DATA.1"), 0);
  write_file("DATA.zip.tranchor-part", "someone else's");
  exit_cleanup_run();
  EXPECT_EQ(read_file("DATA.zip"), read_file("original"));
  EXPECT_EQ(read_file("DATA.zip.tranchor-part"), "someone else's");
}

}  // namespace
