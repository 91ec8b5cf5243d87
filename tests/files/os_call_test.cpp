#include "frame/os_call.h"

#include <gtest/gtest.h>

#include <map>

#include "frame/runtime_state.h"

namespace {

// A file system whose one call leaves a chosen last-error code, and which remembers the error
// mode in force during the call.
class CodeFileSystem : public FileSystem {
 public:
  std::uint32_t code = 0;
  std::uint32_t mode = 0x1234;
  std::uint32_t mode_during_call = 0;
  std::uint32_t code_at_call = 99;

  bool write(FileHandle, const void*, std::uint32_t, std::uint32_t* moved) override {
    mode_during_call = mode;
    code_at_call = last;
    *moved = 0;
    last = code;
    return code == 0 || code == FS_ERROR_ALREADY_EXISTS;
  }
  std::uint32_t set_error_mode(std::uint32_t new_mode) override {
    const std::uint32_t previous = mode;
    mode = new_mode;
    return previous;
  }
  std::uint32_t last_error() override { return last; }
  void set_last_error(std::uint32_t value) override { last = value; }

  FileHandle create_file(const char*, std::uint32_t, std::uint32_t, std::uint32_t) override { return FS_INVALID_HANDLE; }
  std::uint32_t file_type(FileHandle) override { return FS_TYPE_UNKNOWN; }
  bool seek(FileHandle, std::int64_t, std::uint32_t, std::uint64_t*) override { return false; }
  bool set_end_of_file(FileHandle) override { return false; }
  bool read(FileHandle, void*, std::uint32_t, std::uint32_t*) override { return false; }
  bool file_size(FileHandle, std::uint64_t*) override { return false; }
  bool close(FileHandle) override { return false; }
  FindHandle find_first(const char*, FindData&) override { return FS_INVALID_HANDLE; }
  bool find_next(FindHandle, FindData&) override { return false; }
  bool find_close(FindHandle) override { return false; }
  bool rename(const char*, const char*) override { return false; }
  bool remove(const char*) override { return false; }
  bool copy_permissions(FileHandle, FileHandle) override { return false; }
  bool names_open_file(FileHandle, const char*) override { return false; }
  bool mark_temporary(FileHandle) override { return false; }
  bool exists_as_made(const char*) override { return false; }
  FileHandle standard_stream(std::uint32_t) override { return FS_INVALID_HANDLE; }

 private:
  std::uint32_t last = 77;  // left over from an earlier call
};

class OsCallTest : public ::testing::Test {
 protected:
  OsCallTest() : saved_(rt_state.file_system) { rt_state.file_system = &fake; }
  ~OsCallTest() override { rt_state.file_system = saved_; }

  ErrorNumber call_with_code(std::uint32_t code, bool* result = nullptr) {
    fake.code = code;
    ErrorNumber error = 0xEE;
    std::uint32_t moved = 0;
    const bool value = rt_os_call(error, [&](FileSystem& fs) { return fs.write(nullptr, "", 0, &moved); });
    if (result != nullptr) *result = value;
    return error;
  }

  CodeFileSystem fake;

 private:
  FileSystem* saved_;
};

TEST(OsErrorMap, MapsEveryCodeFrom1To39) {
  const std::map<std::uint32_t, ErrorNumber> table = {
      {1, 75},  {2, 53},  {3, 76},  {4, 67},  {5, 75},  {6, 51},  {7, 241}, {8, 7},   {9, 241}, {10, 241},
      {11, 51}, {12, 51}, {13, 51}, {14, 7},  {15, 68}, {16, 75}, {17, 74}, {18, 53}, {19, 70}, {20, 68},
      {21, 71}, {22, 51}, {23, 72}, {24, 51}, {25, 72}, {26, 72}, {27, 72}, {28, 27}, {29, 72}, {30, 72},
      {31, 72}, {32, 70}, {33, 70}, {34, 72}, {35, 75}, {36, 70}, {37, 75}, {38, 62}, {39, 61},
  };
  ASSERT_EQ(table.size(), 39u);
  for (const auto& [code, number] : table) {
    EXPECT_EQ(OS_ERROR_MAP[code], number) << "code " << code;
    EXPECT_EQ(rt_os_error_number(code), number) << "code " << code;
  }
}

// Every failing code is an error: from 40 on by its meaning, or the general device error.
TEST(OsErrorMap, CodesFrom40OnAreFailuresButAlreadyExists) {
  const std::pair<std::uint32_t, ErrorNumber> table[] = {
      {0, 0}, {183, 0}, {80, ERR_FILE_EXISTS}, {87, ERR_BAD_ARGUMENT}, {112, ERR_DISK_FULL},
      {123, ERR_BAD_FILE_NAME}, {206, ERR_BAD_FILE_NAME}, {131, ERR_BAD_POSITION}, {145, ERR_ACCESS_ERROR},
      {40, ERR_DEVICE_IO}, {109, ERR_DEVICE_IO}, {0xFFFFFFFFu, ERR_DEVICE_IO},
  };
  for (const auto& [code, number] : table) EXPECT_EQ(rt_os_error_number(code), number) << "code " << code;
}

TEST_F(OsCallTest, TheLastErrorCodeAloneDecides) {
  bool result = false;
  EXPECT_EQ(call_with_code(FS_ERROR_SHARING_VIOLATION), ERR_PERMISSION_DENIED);
  EXPECT_EQ(call_with_code(FS_ERROR_HANDLE_EOF), ERR_PAST_END);
  // Success with "already exists" left behind.
  EXPECT_EQ(call_with_code(FS_ERROR_ALREADY_EXISTS, &result), 0);
  EXPECT_TRUE(result);
  // A failure with a code of 40 or more is reported as well.
  EXPECT_EQ(call_with_code(FS_ERROR_DISK_FULL, &result), ERR_DISK_FULL);
  EXPECT_FALSE(result);
}

TEST_F(OsCallTest, TheCallRunsQuietWithAClearedCodeAndTheModeComesBack) {
  call_with_code(0);
  EXPECT_EQ(fake.code_at_call, 0u);
  EXPECT_EQ(fake.mode_during_call, OS_QUIET_ERROR_MODE);
  EXPECT_EQ(fake.mode, 0x1234u);
  EXPECT_FALSE(rt_os_call_in_progress());
}

}  // namespace
