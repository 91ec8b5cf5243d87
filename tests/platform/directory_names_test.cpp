// Case-blind lookups of names that do not exist yet: a directory is read once for a whole set of
// new files, and a file that another program makes there is still found under any spelling.
#include "platform/posix/directory_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fakes/scratch_folder.h"
#include "fakes/test_text.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace {

class DirectoryNamesTest : public ::testing::Test {
 protected:
  // Opens (making it when missing) and closes the file; the last-error code of the open.
  std::uint32_t touch(const std::string& name, const std::string& bytes = "") {
    fs.set_last_error(0);
    FileHandle handle = fs.create_file(name.c_str(), FS_GENERIC_READ | FS_GENERIC_WRITE, 0, FS_OPEN_ALWAYS);
    EXPECT_NE(handle, FS_INVALID_HANDLE) << name;
    const std::uint32_t code = fs.last_error();
    if (handle == FS_INVALID_HANDLE) return code;
    std::uint32_t moved = 0;
    if (!bytes.empty()) fs.write(handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &moved);
    fs.close(handle);
    return code;
  }
  static int entries() { return static_cast<int>(names_in().size()); }

  ScratchFolder folder{ScratchFolder::entered};
  FileSystem& fs = process_file_system();
};

TEST_F(DirectoryNamesTest, ASetOfNewFilesReadsTheDirectoryOnce) {
  for (int k = 1; k <= 50; ++k) touch("seed." + std::to_string(k));
  const long reads_before = directory_reads_for_lookup();
  const int pieces = 2000;
  for (int k = 1; k <= pieces; ++k) EXPECT_EQ(touch("DATA." + std::to_string(k)), 0u) << k;
  // Reading the directory for every new piece made a split of N pieces cost N * N / 2 entries.
  EXPECT_LE(directory_reads_for_lookup() - reads_before, 1);
  EXPECT_EQ(entries(), 50 + pieces);
}

TEST_F(DirectoryNamesTest, FilesMadeByOthersAreFoundUnderAnySpelling) {
  write_file("Early.7", "early");
  for (int k = 1; k <= 20; ++k) touch("data." + std::to_string(k));
  // Made by another program after this one last read the directory.
  write_file("Late.7", "late");
  EXPECT_EQ(touch("EARLY.7", "E"), FS_ERROR_ALREADY_EXISTS);
  EXPECT_EQ(touch("LATE.7", "L"), FS_ERROR_ALREADY_EXISTS);
  touch("data.21");
  write_file("Later.8", "later");
  EXPECT_EQ(touch("later.8", "l"), FS_ERROR_ALREADY_EXISTS);
  EXPECT_EQ(read_file("Early.7"), "Early");
  EXPECT_EQ(read_file("Late.7"), "Late");
  EXPECT_EQ(read_file("Later.8"), "later");
  EXPECT_EQ(entries(), 21 + 3);
}

TEST_F(DirectoryNamesTest, AFileRemovedByOthersIsMadeAgain) {
  for (int k = 1; k <= 5; ++k) touch("set." + std::to_string(k));
  std::filesystem::remove("set.3");
  EXPECT_EQ(touch("SET.3"), 0u);
  EXPECT_TRUE(std::filesystem::exists("SET.3"));
  EXPECT_EQ(touch("set.3"), FS_ERROR_ALREADY_EXISTS);
  EXPECT_EQ(entries(), 5);
}

}  // namespace
