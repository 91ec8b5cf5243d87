#include "files/channel_table.h"
#include "files/channels.h"

#include <cstdlib>

#include "files/file_state.h"
#include "files/files_fixture.h"
#include "files/transfer.h"

namespace {

using ChannelsTest = FilesTest;

TEST_F(ChannelsTest, BinaryOpenCreatesAMissingFileEmpty) {
  open_binary(1, "new.bin");
  EXPECT_TRUE(exists("new.bin"));
  EXPECT_EQ(file_size(1), 0u);
  EXPECT_EQ(file_at_end(1), 0);
  EXPECT_EQ(file_position(1), 1u);
  const FileChannel* channel = file_lookup_channel(1);
  EXPECT_EQ(channel->number, 1);
  EXPECT_EQ(channel->mode, MODE_BINARY);
  EXPECT_EQ(channel->access, READ_WRITE_NO_SHARING);
  EXPECT_EQ(channel->record_length, 1u);
  EXPECT_EQ(channel->position_base, 1);
  EXPECT_EQ(channel->flags, CHANNEL_OPEN);
  EXPECT_EQ(channel->device_kind, DEVICE_DISK);
  EXPECT_FALSE(pending());
}

TEST_F(ChannelsTest, BinaryOpenKeepsAnExistingFileAndItsTail) {
  write_file("old.bin", "0123456789");
  open_binary(1, "old.bin");
  EXPECT_EQ(file_size(1), 10u);
  file_write_text(1, text("ab"));
  file_close(1);
  EXPECT_EQ(error(), 0);
  EXPECT_EQ(read_file("old.bin"), "ab23456789");
}

TEST_F(ChannelsTest, UnusableNamesAreRefusedWith64BeforeTheFileSystemSeesThem) {
  const std::string names[] = {"", "a*b", "what?", std::string("a\0b", 3)};
  for (const std::string& name : names) {
    clear_error();
    file_open(1, text(name), BINARY_REQUEST);
    EXPECT_EQ(error(), ERR_BAD_FILE_NAME) << name;
    EXPECT_EQ(file_lookup_channel(1), nullptr);
  }
  EXPECT_EQ(files.calls(FsCall::create), 0);
  EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST_F(ChannelsTest, ANameBeyondTheFileSystemsLimitsIsRefusedWholeNeverCut) {
  // No file system holds a name of 300 bytes: it is refused (64 here; Wine says 53), and no
  // shorter name is made.
  const std::string name(300, 'n');
  file_open(1, text(name), BINARY_REQUEST);
  EXPECT_NE(error(), 0);
  EXPECT_EQ(file_lookup_channel(1), nullptr);
  ASSERT_FALSE(files.opened_names().empty());
  EXPECT_EQ(files.opened_names().front(), name);
  EXPECT_TRUE(names_in().empty());
}

TEST_F(ChannelsTest, OpeningAChannelThatIsOpenFailsWith55AndLeavesItAsItWas) {
  open_binary(1, "first");
  file_open(1, text("second"), BINARY_REQUEST);
  EXPECT_EQ(error(), ERR_CHANNEL_IN_USE);
  EXPECT_FALSE(exists("second"));
  clear_error();
  file_write_text(1, text("kept"));
  file_close(1);
  EXPECT_EQ(error(), 0);
  EXPECT_EQ(read_file("first"), "kept");
}

TEST_F(ChannelsTest, RecordLengthBelowOneFailsWith5OnlyWhereTheLengthIsKept) {
  file_open(1, text("f"), OpenRequest{MODE_RECORD, READ_WRITE_NO_SHARING, 0, 1});
  EXPECT_EQ(error(), ERR_BAD_ARGUMENT);
  EXPECT_EQ(file_lookup_channel(1), nullptr);
  clear_error();
  file_open(1, text("f"), OpenRequest{MODE_BINARY, READ_WRITE_NO_SHARING, -5, 1});
  EXPECT_EQ(error(), 0);
  EXPECT_EQ(file_lookup_channel(1)->record_length, 1u);
}

TEST_F(ChannelsTest, FreeChannelIsTheLowestNumberNotOpen) {
  EXPECT_EQ(file_free_channel(), 1);
  open_binary(1, "a");
  open_binary(3, "c");
  EXPECT_EQ(file_free_channel(), 2);
  open_binary(2, "b");
  EXPECT_EQ(file_free_channel(), 4);
  EXPECT_FALSE(pending());
}

TEST_F(ChannelsTest, ChannelListIsNewestFirst) {
  open_binary(5, "a");
  open_binary(2, "b");
  open_binary(9, "c");
  const FileChannel* head = file_state.channel_list;
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->number, 9);
  EXPECT_EQ(head->next->number, 2);
  EXPECT_EQ(head->next->next->number, 5);
  EXPECT_EQ(head->next->next->next, nullptr);
}

TEST_F(ChannelsTest, ClosingANumberThatIsNotOpenDoesNothing) {
  file_close(7);
  EXPECT_EQ(frame.error_word, 0);
  EXPECT_EQ(files.calls(FsCall::close), 0);
}

TEST_F(ChannelsTest, FindChannelRecords52ForANumberNotOpen) {
  EXPECT_EQ(file_find_channel(4), nullptr);
  EXPECT_EQ(error(), ERR_BAD_CHANNEL);
  EXPECT_TRUE(pending());
}

TEST_F(ChannelsTest, ASecondOpenOfAHeldFileFailsWith70AfterTheReadOnlyRetry) {
  write_file("held", "data");
  open_binary(1, "held");
  file_open(2, text("held"), BINARY_REQUEST);
  EXPECT_EQ(error(), ERR_PERMISSION_DENIED);
  EXPECT_EQ(file_lookup_channel(2), nullptr);
  EXPECT_EQ(files.calls(FsCall::create), 3);  // the first open, then both attempts of the second
  // Another spelling of the same name is the same file.
  clear_error();
  file_open(2, text("HELD"), BINARY_REQUEST);
  EXPECT_EQ(error(), ERR_PERMISSION_DENIED);
  EXPECT_FALSE(exists("HELD"));  // no new file beside it
}

TEST_F(ChannelsTest, AnOpenChannelHoldsTheFileAgainstOtherProcesses) {
  write_file("locked", "data");
  open_binary(1, "locked");
  // flock(1) stands for another Tranchor: it cannot take the file while the channel is open.
  EXPECT_NE(std::system("flock -n -x locked true"), 0);
  file_close(1);
  EXPECT_EQ(std::system("flock -n -x locked true"), 0);
}

TEST_F(ChannelsTest, ANameThatDiffersOnlyInCaseOpensTheExistingFile) {
  write_file("Data.Bin", "12345");
  open_binary(1, "DATA.BIN");
  EXPECT_EQ(file_size(1), 5u);
  file_close(1);
  EXPECT_EQ(names_in().size(), 1u);  // no new empty file beside it
  // Directories on the way are looked up the same way.
  std::filesystem::create_directories("Sub/Dir");
  write_file("Sub/Dir/Piece.1", "xyz");
  open_binary(1, "sub/DIR/piece.1");
  EXPECT_EQ(file_size(1), 3u);
}

TEST_F(ChannelsTest, OpenFailuresGiveTheirNumbersAndLeaveNoChannel) {
  std::filesystem::create_directory("adir");
  struct Case {
    const char* name;
    OpenRequest request;
    ErrorNumber expected;
  } cases[] = {
      {"nodir/file", BINARY_REQUEST, ERR_PATH_NOT_FOUND},
      {"missing", OpenRequest{MODE_INPUT, READ_WRITE_NO_SHARING, 16, 1}, ERR_FILE_NOT_FOUND},
      {"adir", BINARY_REQUEST, ERR_ACCESS_ERROR},
  };
  for (const Case& c : cases) {
    clear_error();
    file_open(1, text(c.name), c.request);
    EXPECT_EQ(error(), c.expected) << c.name;
    EXPECT_EQ(file_lookup_channel(1), nullptr) << c.name;
  }
  EXPECT_FALSE(exists("missing"));
  EXPECT_EQ(file_state.channel_list, nullptr);
}

TEST_F(ChannelsTest, ModesPositionTheFileAsTheyAsk) {
  write_file("six", "abcdef");
  file_open(1, text("six"), OpenRequest{MODE_INPUT, 0x81, 4, 1});
  ASSERT_EQ(error(), 0);
  const FileChannel* input = file_lookup_channel(1);
  EXPECT_EQ(input->record_length, 4u);
  EXPECT_EQ(input->buffer_count, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(input->buffer), 4), "abcd");
  file_close(1);

  file_open(1, text("six"), OpenRequest{MODE_APPEND, READ_WRITE_NO_SHARING, 128, 1});
  EXPECT_EQ(file_lookup_channel(1)->position, 6u);
  EXPECT_EQ(file_lookup_channel(1)->record_length, 1u);
  file_close(1);

  file_open(1, text("six"), OpenRequest{MODE_RECORD, READ_WRITE_NO_SHARING, 3, 0});
  EXPECT_EQ(file_lookup_channel(1)->position, 0xFFFFFFFFu);
  file_close(1);
  file_open(1, text("six"), OpenRequest{MODE_RECORD, READ_WRITE_NO_SHARING, 3, 1});
  EXPECT_EQ(file_lookup_channel(1)->position, 0u);
  file_close(1);
  EXPECT_EQ(read_file("six"), "abcdef");

  // Output empties the file at open; its close ends the file where the channel stands.
  file_open(1, text("six"), OpenRequest{MODE_OUTPUT, READ_WRITE_NO_SHARING, 128, 1});
  EXPECT_EQ(read_file("six"), "");
  const int ends_before = files.calls(FsCall::set_end);
  file_close(1);
  EXPECT_EQ(files.calls(FsCall::set_end), ends_before + 1);
  EXPECT_EQ(error(), 0);
}

TEST_F(ChannelsTest, AReadOnlyFileFailsAtOnceWithoutFallbackElseOpensReadOnlyAndRefusesWrites) {
  write_file("ro", "fixed");
  files.refuse_write_access_to("ro");
  // Without the fallback the open fails at once.
  file_open(1, text("ro"), OpenRequest{MODE_BINARY | MODE_NO_FALLBACK, READ_WRITE_NO_SHARING, 1, 1});
  EXPECT_EQ(error(), ERR_ACCESS_ERROR);
  EXPECT_EQ(files.calls(FsCall::create), 1);
  EXPECT_EQ(file_lookup_channel(1), nullptr);
  clear_error();
  file_open(1, text("ro"), BINARY_REQUEST);
  EXPECT_EQ(frame.error_word, 0);
  ASSERT_NE(file_lookup_channel(1), nullptr);
  EXPECT_EQ(file_lookup_channel(1)->access, 0x81);
  EXPECT_EQ(bytes(file_read_bytes(1, 5)), "fixed");
  file_write_text(1, text("x"));
  EXPECT_EQ(error(), ERR_ACCESS_ERROR);
  file_close(1);
  EXPECT_EQ(read_file("ro"), "fixed");
}

TEST_F(ChannelsTest, TheErrorOfTheLastAttemptIsRaised) {
  struct Case {
    std::uint32_t code;
    ErrorNumber expected;
  } cases[] = {
      {FS_ERROR_ACCESS_DENIED, ERR_ACCESS_ERROR},
      {FS_ERROR_WRITE_PROTECT, ERR_PERMISSION_DENIED},
      {FS_ERROR_TOO_MANY_OPEN_FILES, ERR_TOO_MANY_FILES},
      {0, ERR_BAD_FILE_NAME},                          // no handle and no code
      {FS_ERROR_FILENAME_EXCED_RANGE, ERR_BAD_FILE_NAME},  // a code the table does not know
  };
  for (const Case& c : cases) {
    files.reset();
    files.fail_open_of("target", c.code);
    clear_error();
    file_open(1, text("target"), BINARY_REQUEST);
    EXPECT_EQ(error(), c.expected) << c.code;
    EXPECT_EQ(files.calls(FsCall::create), 2) << c.code;
    EXPECT_EQ(file_lookup_channel(1), nullptr);
  }
}

TEST_F(ChannelsTest, AFailureAfterTheHandleWasObtainedClosesItAndLeavesNoChannel) {
  files.fail_call_after(FsCall::seek, 0, 25);  // a seek error, where an output channel places itself
  file_open(1, text("f"), OpenRequest{MODE_OUTPUT, READ_WRITE_NO_SHARING, 1, 1});
  EXPECT_EQ(error(), ERR_MEDIA_ERROR);
  EXPECT_EQ(file_lookup_channel(1), nullptr);
  EXPECT_EQ(files.calls(FsCall::close), 1);
  // The handle is gone: the file opens again without a sharing violation.
  files.reset();
  clear_error();
  open_binary(1, "f");
}

TEST_F(ChannelsTest, AppendOnADeviceThatIsNotADiskFileFailsWith54) {
  ASSERT_EQ(std::system("mkfifo pipe"), 0);
  file_open(1, text("pipe"), OpenRequest{MODE_APPEND, READ_WRITE_NO_SHARING, 1, 1});
  EXPECT_EQ(error(), ERR_BAD_FILE_MODE);
  EXPECT_EQ(file_lookup_channel(1), nullptr);
  clear_error();
  file_open(1, text("pipe"), BINARY_REQUEST);
  ASSERT_EQ(error(), 0);
  EXPECT_EQ(file_lookup_channel(1)->device_kind, DEVICE_OTHER);
  EXPECT_EQ(file_size(1), 0u);
  EXPECT_EQ(file_position(1), 0u);
}

TEST_F(ChannelsTest, CloseFailuresAreRaisedAfterTheChannelIsGone) {
  open_binary(1, "f");
  files.fail_call_after(FsCall::close, 0, FS_ERROR_INVALID_HANDLE);
  file_close(1);
  EXPECT_EQ(error(), ERR_INTERNAL);
  EXPECT_EQ(file_lookup_channel(1), nullptr);
  // The first failure wins: an output channel whose truncation and close both fail.
  files.reset();
  file_open(1, text("g"), OpenRequest{MODE_OUTPUT, READ_WRITE_NO_SHARING, 1, 1});
  files.fail_call_after(FsCall::set_end, 0, FS_ERROR_WRITE_PROTECT);
  files.fail_call_after(FsCall::close, 0, FS_ERROR_INVALID_HANDLE);
  file_close(1);
  EXPECT_EQ(error(), ERR_PERMISSION_DENIED);
  EXPECT_EQ(file_lookup_channel(1), nullptr);
}

}  // namespace
