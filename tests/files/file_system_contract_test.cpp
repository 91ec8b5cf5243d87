// The file system of the system the program is built for, against the contract of the file
// services: last-error codes in the Windows numbering as the OS-call wrapper needs them, sharing,
// access. One body for every system; tests/windows/posix_only_tests.txt names the cases whose
// answer is the platform's own.
#include "platform/file_system.h"

#include <cstdlib>
#include <functional>

#include "files/file_state.h"

#include "files/files_fixture.h"
#include "platform/process.h"

namespace {

class FileSystemContractTest : public FilesTest {
 protected:
  FileSystem& fs = process_file_system();

  FileHandle open(const char* name, std::uint32_t access, std::uint32_t share, std::uint32_t disposition) {
    fs.set_last_error(0);
    FileHandle handle = fs.create_file(name, access, share, disposition);
    if (handle != FS_INVALID_HANDLE) handles_.push_back(handle);
    return handle;
  }
  ~FileSystemContractTest() override {
    for (FileHandle handle : handles_) fs.close(handle);
  }

 private:
  std::vector<FileHandle> handles_;
};

constexpr std::uint32_t READ_WRITE = FS_GENERIC_READ | FS_GENERIC_WRITE;
constexpr std::uint32_t SHARE_BOTH = FS_SHARE_READ | FS_SHARE_WRITE;

TEST_F(FileSystemContractTest, OpenLeavesWindowsCodes) {
  write_file("there", "abc");
  std::filesystem::create_directory("adir");
  struct Case {
    const char* name;
    std::uint32_t disposition;
    std::uint32_t code;
    bool opens;
  } cases[] = {
      {"there", FS_OPEN_ALWAYS, FS_ERROR_ALREADY_EXISTS, true},
      {"there", FS_OPEN_EXISTING, 0, true},
      {"fresh", FS_OPEN_ALWAYS, 0, true},
      {"missing", FS_OPEN_EXISTING, FS_ERROR_FILE_NOT_FOUND, false},
      {"nodir/x", FS_OPEN_ALWAYS, FS_ERROR_PATH_NOT_FOUND, false},
      {"there/x", FS_OPEN_ALWAYS, FS_ERROR_PATH_NOT_FOUND, false},
      {"adir", FS_OPEN_EXISTING, FS_ERROR_ACCESS_DENIED, false},
      {"there", FS_CREATE_NEW, FS_ERROR_FILE_EXISTS, false},
  };
  for (const Case& c : cases) {
    FileHandle handle = open(c.name, READ_WRITE, SHARE_BOTH, c.disposition);
    EXPECT_EQ(handle != FS_INVALID_HANDLE, c.opens) << c.name;
    EXPECT_EQ(fs.last_error(), c.code) << c.name << " " << c.disposition;
  }
  FindData data;
  fs.set_last_error(0);
  EXPECT_EQ(fs.find_first("nothing*", data), FS_INVALID_HANDLE);
  EXPECT_EQ(fs.last_error(), FS_ERROR_FILE_NOT_FOUND);
  fs.set_last_error(0);
  EXPECT_FALSE(fs.remove("missing"));
  EXPECT_EQ(fs.last_error(), FS_ERROR_FILE_NOT_FOUND);
}

TEST_F(FileSystemContractTest, SuccessfulCallsLeaveTheCallersCodeAlone) {
  constexpr std::uint32_t STALE_CODE = 77;
  write_file("a", "abc");
  std::filesystem::create_directory("sub");
  write_file("sub/b", "");
  // Every call below succeeds; whatever the system leaves behind, the code set before stays.
  struct Case {
    const char* what;
    std::function<bool(FileHandle)> call;
  } cases[] = {
      {"file_type", [&](FileHandle h) { return fs.file_type(h) == FS_TYPE_DISK; }},
      {"seek", [&](FileHandle h) { std::uint64_t at = 9; return fs.seek(h, 1, FS_BEGIN, &at) && at == 1; }},
      {"read", [&](FileHandle h) { char b[4]; std::uint32_t n = 0; return fs.read(h, b, 4, &n) && n == 2; }},
      {"read at the end", [&](FileHandle h) { char b[4]; std::uint32_t n = 9; return fs.read(h, b, 4, &n) && n == 0; }},
      {"write", [&](FileHandle h) { std::uint32_t n = 0; return fs.write(h, "xy", 2, &n) && n == 2; }},
      {"set_end_of_file", [&](FileHandle h) { return fs.set_end_of_file(h); }},
      {"file_size", [&](FileHandle h) { std::uint64_t size = 0; return fs.file_size(h, &size) && size == 5; }},
      {"rename", [&](FileHandle) { return fs.rename("sub/b", "sub/c"); }},
      {"remove", [&](FileHandle) { return fs.remove("sub/c"); }},
  };
  FileHandle handle = fs.create_file("a", READ_WRITE, 0, FS_OPEN_EXISTING);
  ASSERT_NE(handle, FS_INVALID_HANDLE);
  for (const Case& c : cases) {
    fs.set_last_error(STALE_CODE);
    EXPECT_TRUE(c.call(handle)) << c.what;
    EXPECT_EQ(fs.last_error(), STALE_CODE) << c.what;
  }
  fs.set_last_error(STALE_CODE);
  EXPECT_TRUE(fs.close(handle));
  EXPECT_EQ(fs.last_error(), STALE_CODE);
  EXPECT_EQ(read_file("a"), "abcxy");

  FindData data;
  fs.set_last_error(STALE_CODE);
  FindHandle search = fs.find_first("*", data);
  ASSERT_NE(search, FS_INVALID_HANDLE);
  EXPECT_EQ(fs.last_error(), STALE_CODE);
  EXPECT_TRUE(fs.find_next(search, data));
  EXPECT_EQ(fs.last_error(), STALE_CODE);
  EXPECT_TRUE(fs.find_close(search));
  EXPECT_EQ(fs.last_error(), STALE_CODE);
}

TEST_F(FileSystemContractTest, SharingFollowsTheShareModes) {
  write_file("f", "x");
  struct Case {
    std::uint32_t first_access, first_share, second_access, second_share;
    bool second_opens;
  } cases[] = {
      {READ_WRITE, 0, FS_GENERIC_READ, SHARE_BOTH, false},
      {FS_GENERIC_READ, FS_SHARE_READ, FS_GENERIC_READ, FS_SHARE_READ, true},
      {FS_GENERIC_READ, FS_SHARE_READ, READ_WRITE, SHARE_BOTH, false},
      {READ_WRITE, SHARE_BOTH, READ_WRITE, SHARE_BOTH, true},
      {READ_WRITE, SHARE_BOTH, FS_GENERIC_READ, FS_SHARE_READ, false},  // the first one writes
      {0, 0, FS_GENERIC_READ, SHARE_BOTH, false},
  };
  for (const Case& c : cases) {
    FileHandle first = fs.create_file("f", c.first_access, c.first_share, FS_OPEN_EXISTING);
    ASSERT_NE(first, FS_INVALID_HANDLE);
    fs.set_last_error(0);
    FileHandle second = fs.create_file("f", c.second_access, c.second_share, FS_OPEN_EXISTING);
    EXPECT_EQ(second != FS_INVALID_HANDLE, c.second_opens);
    if (second != FS_INVALID_HANDLE) {
      fs.close(second);
    } else {
      EXPECT_EQ(fs.last_error(), FS_ERROR_SHARING_VIOLATION);
    }
    fs.close(first);
  }
}

TEST_F(FileSystemContractTest, ARefusedOpenDoesNotEmptyTheFile) {
  write_file("f", "keep me");
  ASSERT_NE(open("f", READ_WRITE, 0, FS_OPEN_EXISTING), FS_INVALID_HANDLE);
  EXPECT_EQ(open("f", READ_WRITE, 0, FS_CREATE_ALWAYS), FS_INVALID_HANDLE);
  EXPECT_EQ(read_file("f"), "keep me");
}

TEST_F(FileSystemContractTest, TransfersNeedTheAccessAskedFor) {
  write_file("f", "abc");
  FileHandle reader = open("f", FS_GENERIC_READ, SHARE_BOTH, FS_OPEN_EXISTING);
  std::uint32_t moved = 9;
  fs.set_last_error(0);
  EXPECT_FALSE(fs.write(reader, "z", 1, &moved));
  EXPECT_EQ(moved, 0u);
  EXPECT_EQ(fs.last_error(), FS_ERROR_ACCESS_DENIED);
  EXPECT_FALSE(fs.set_end_of_file(reader));
  FileHandle writer = open("f", FS_GENERIC_WRITE, SHARE_BOTH, FS_OPEN_EXISTING);
  char byte = 0;
  EXPECT_FALSE(fs.read(writer, &byte, 1, &moved));
  EXPECT_EQ(fs.last_error(), FS_ERROR_ACCESS_DENIED);
}

TEST_F(FileSystemContractTest, AHandleThatIsNotOpenIsRefused) {
  int not_a_handle = 0;
  fs.set_last_error(0);
  EXPECT_FALSE(fs.close(&not_a_handle));
  EXPECT_EQ(fs.last_error(), FS_ERROR_INVALID_HANDLE);
  EXPECT_FALSE(fs.find_next(&not_a_handle, file_state.search_data));
}

TEST_F(FileSystemContractTest, UnknownShareModesAndDispositionsAreRefused) {
  EXPECT_EQ(open("f", READ_WRITE, 0xFFFFFFFF, FS_OPEN_ALWAYS), FS_INVALID_HANDLE);
  EXPECT_EQ(fs.last_error(), FS_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(open("f", READ_WRITE, 0, 9), FS_INVALID_HANDLE);
  EXPECT_FALSE(exists("f"));
}

TEST_F(FileSystemContractTest, SearchesLeaveWindowsCodes) {
  FindData data;
  fs.set_last_error(0);
  EXPECT_EQ(fs.find_first("nothing*", data), FS_INVALID_HANDLE);
  EXPECT_EQ(fs.last_error(), FS_ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(fs.find_first("nodir/*", data), FS_INVALID_HANDLE);
  EXPECT_EQ(fs.last_error(), FS_ERROR_PATH_NOT_FOUND);
  write_file("one", "");
  FindHandle search = fs.find_first("one", data);
  ASSERT_NE(search, FS_INVALID_HANDLE);
  EXPECT_EQ(data.name, "one");
  EXPECT_EQ(data.attributes, FS_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(fs.find_next(search, data));
  EXPECT_EQ(fs.last_error(), FS_ERROR_NO_MORE_FILES);
  EXPECT_TRUE(fs.find_close(search));
}

TEST_F(FileSystemContractTest, AReadOnlyFileSystemRefusesWritesWith19) {
  std::filesystem::create_directory("ro");
  if (std::system("mount -t tmpfs -o ro,size=64k tmpfs ro 2>/dev/null") != 0) {
    GTEST_SKIP() << "mounting a tmpfs needs root";
  }
  EXPECT_EQ(open("ro/new", READ_WRITE, 0, FS_OPEN_ALWAYS), FS_INVALID_HANDLE);
  EXPECT_EQ(fs.last_error(), FS_ERROR_WRITE_PROTECT);
  EXPECT_EQ(std::system("umount ro"), 0);
}

// The copy inside the system copies a whole range in few calls and moves both file pointers; it
// stops at the source's end, and declines a target that is not open for writing.
TEST_F(FileSystemContractTest, ACopyInsideTheSystemMovesWholeRanges) {
  std::string bytes(3 * 1024 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 % 251);
  write_file("source", bytes);
  write_file("target", "head");
  FileHandle source = open("source", FS_GENERIC_READ, SHARE_BOTH, FS_OPEN_EXISTING);
  FileHandle target = open("target", READ_WRITE, SHARE_BOTH, FS_OPEN_EXISTING);
  FileHandle reader = open("target", FS_GENERIC_READ, SHARE_BOTH, FS_OPEN_EXISTING);
  ASSERT_TRUE(fs.seek(source, 10, FS_BEGIN, nullptr) && fs.seek(target, 4, FS_BEGIN, nullptr));
  fs.set_last_error(0);
  EXPECT_EQ(fs.copy_range(source, target, 1000000), 1000000u);
  EXPECT_EQ(fs.copy_range(source, target, bytes.size()), bytes.size() - 1000010);  // to the end
  EXPECT_EQ(fs.copy_range(source, target, 10), 0u);
  EXPECT_EQ(fs.copy_range(target, reader, 10), 0u);  // the reader cannot be written
  EXPECT_EQ(fs.last_error(), 0u);
  std::uint64_t at = 0;
  EXPECT_TRUE(fs.seek(source, 0, FS_CURRENT, &at));
  EXPECT_EQ(at, bytes.size());
  EXPECT_TRUE(fs.seek(target, 0, FS_CURRENT, &at));
  EXPECT_EQ(at, bytes.size() - 10 + 4);
  fs.close(source);
  fs.close(target);
  fs.close(reader);
  EXPECT_TRUE(read_file("target") == "head" + bytes.substr(10));
}

}  // namespace
