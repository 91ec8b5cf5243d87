// The POSIX file system moves a block from file to file in the kernel, and declines, leaving
// everything as it was, whenever the outcome would not be that of a full read and write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "platform/process.h"

namespace {

std::string temp_name(const char* what) {
  return (std::filesystem::temp_directory_path() / ("tranchor-copy-" + std::to_string(::getpid()) + "-" + what)).string();
}

void write(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary);
  out << bytes;
}

std::string read(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(PosixCopy, MovesWholeBlocksAndDeclinesTheRest) {
  FileSystem& fs = process_file_system();
  const std::string from_name = temp_name("from");
  const std::string to_name = temp_name("to");
  struct Case {
    const char* what;
    std::string target_before;
    std::uint32_t count;
    bool copies;
  } cases[] = {
      {"a whole block onto the end", "", 600, true},
      {"more than the source holds", "", 1001, false},
      {"onto the middle of a longer file", std::string(2000, 'x'), 600, false},
  };
  for (const Case& c : cases) {
    write(from_name, std::string(1000, 'a'));
    write(to_name, c.target_before);
    FileHandle from = fs.create_file(from_name.c_str(), FS_GENERIC_READ, FS_SHARE_READ, FS_OPEN_EXISTING);
    FileHandle to = fs.create_file(to_name.c_str(), FS_GENERIC_READ | FS_GENERIC_WRITE, 0, FS_OPEN_EXISTING);
    ASSERT_NE(from, FS_INVALID_HANDLE);
    ASSERT_NE(to, FS_INVALID_HANDLE);
    fs.set_last_error(0);
    std::uint32_t moved = 99;
    EXPECT_EQ(fs.copy(from, to, c.count, &moved), c.copies) << c.what;
    EXPECT_EQ(moved, c.copies ? c.count : 0u) << c.what;
    EXPECT_EQ(fs.last_error(), 0u) << c.what;
    std::uint64_t from_at = 1, to_at = 1;
    fs.seek(from, 0, FS_CURRENT, &from_at);
    fs.seek(to, 0, FS_CURRENT, &to_at);
    EXPECT_EQ(from_at, c.copies ? c.count : 0u) << c.what;
    EXPECT_EQ(to_at, c.copies ? c.count : 0u) << c.what;
    fs.close(from);
    fs.close(to);
    EXPECT_EQ(read(to_name), c.copies ? std::string(c.count, 'a') : c.target_before) << c.what;
  }
  std::remove(from_name.c_str());
  std::remove(to_name.c_str());
}

}  // namespace
