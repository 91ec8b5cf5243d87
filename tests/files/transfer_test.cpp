#include "files/transfer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "files/files_fixture.h"

namespace {

// The copies that every way of copying is held to: from a file "source" of a given length, at a
// position, to a file "target" that holds one byte, with the kernel copying up to a number of
// bytes before it stops, and perhaps a fault on the way.
constexpr std::uint64_t ALL = ~std::uint64_t{0};
struct CopyCase {
  const char* what;
  std::size_t source_length;
  std::uint64_t from;   // source position, 1-based
  std::uint64_t count;
  std::uint64_t kernel;  // bytes the kernel copies before it stops
  std::function<void(FailingFileSystem&)> fault;
  SourceRest rest = SourceRest::any;
};
const CopyCase COPY_CASES[] = {
    {"all of it", 100000, 1, 100000, ALL, nullptr},
    {"from the middle", 100000, 40001, 50000, ALL, nullptr},
    {"the kernel stops early", 100000, 1, 100000, 12345, nullptr},
    {"the kernel declines", 100000, 1, 100000, 0, nullptr},
    {"nothing to copy", 10, 1, 0, ALL, nullptr},
    {"the source is shorter", 5000, 1, 9000, ALL, nullptr},
    {"shorter, kernel stops early", 5000, 1, 9000, 777, nullptr},
    {"a read fails", 100000, 1, 100000, 2000,
     [](FailingFileSystem& files) { files.fail_read_of("source", 1); }},
    {"a write comes up short", 100000, 1, 100000, 2000,
     [](FailingFileSystem& files) { files.short_write_to("target", 1); }},
    {"a write fails part-way", 100000, 1, 100000, 2000,
     [](FailingFileSystem& files) { files.short_write_to("target", 1, FS_ERROR_WRITE_FAULT); }},
    {"exactly the rest", 100000, 1, 100000, ALL, nullptr, SourceRest::exactly},
    {"exactly the rest, kernel stops early", 100000, 1, 100000, 5000, nullptr, SourceRest::exactly},
    {"more than the rest", 100000, 1, 99999, ALL, nullptr, SourceRest::exactly},
    {"less than the rest", 100000, 1, 100001, ALL, nullptr, SourceRest::exactly},
    {"exactly a small rest", 1000, 1, 1000, ALL, nullptr, SourceRest::exactly},
    {"more than a small rest", 1000, 1, 999, ALL, nullptr, SourceRest::exactly},
    {"exactly nothing", 1000, 1001, 0, ALL, nullptr, SourceRest::exactly},
    {"more than nothing", 1000, 1, 0, ALL, nullptr, SourceRest::exactly},
};
constexpr std::uint32_t COPY_BLOCK = 4096;
constexpr std::uint64_t WATCH_SLICE = 10000;

class TransferTest : public FilesTest {
 protected:
  // A binary channel 1 on a file with these bytes.
  void open_with(std::string_view bytes) {
    write_file("data", bytes);
    open_binary(1, "data");
  }

  enum class Way : std::uint8_t {
    blocks,         // a file system that copies nothing by itself
    kernel,         // one that copies as the case says, with no one watching
    watched,        // the same, with a watcher of counts and bytes, in slices of WATCH_SLICE
    bytes_watched,  // the same watcher, needing every byte
  };
  struct Outcome {
    FileCopyEnd end;
    std::uint64_t copied, source_position, target_position;
    std::int32_t at_end;
    ErrorNumber error;
    std::string target;
    int reads, writes, sizes, kernel_copies;  // the file-system calls of the copy
    std::string seen;                         // the bytes the watcher saw
    std::uint64_t moved = 0, largest_move = 0;  // the bytes it heard of, and the most in one call
  };

  // One copy of the case, made the way given, and all that came of it.
  Outcome copy(const CopyCase& c, Way way) {
    files.reset();
    clear_error();
    if (way != Way::blocks) files.pass_copies(c.kernel);
    if (c.fault) c.fault(files);
    write_file("source", std::string(c.source_length, 's').replace(0, 3, "abc"));
    write_file("target", "t");
    open_binary(1, "source");
    open_binary(2, "target");
    file_read_at(2, 2, nullptr, 0);  // the target's position behind its one byte
    if (c.from > 1) file_read_at(1, c.from, nullptr, 0);
    clear_error();
    Outcome outcome;
    CopyWatch watch;
    watch.needs_bytes = way == Way::bytes_watched;
    watch.saw = [&](const unsigned char* bytes, std::uint32_t count) {
      outcome.seen.append(reinterpret_cast<const char*>(bytes), count);
    };
    watch.moved = [&](std::uint64_t count) {
      outcome.moved += count;
      outcome.largest_move = std::max(outcome.largest_move, count);
    };
    watch.slice = WATCH_SLICE;
    const int reads = files.calls(FsCall::read), writes = files.calls(FsCall::write);
    const int sizes = files.calls(FsCall::size), kernel_copies = files.calls(FsCall::copy_range);
    const bool watched = way == Way::watched || way == Way::bytes_watched;
    outcome.end = file_copy_range(1, 2, c.count, COPY_BLOCK, outcome.copied, c.rest, watched ? &watch : nullptr);
    outcome.reads = files.calls(FsCall::read) - reads;
    outcome.writes = files.calls(FsCall::write) - writes;
    outcome.sizes = files.calls(FsCall::size) - sizes;
    outcome.kernel_copies = files.calls(FsCall::copy_range) - kernel_copies;
    outcome.error = error();
    outcome.source_position = file_position(1);
    outcome.target_position = file_position(2);
    outcome.at_end = file_at_end(1);
    file_close(1);
    file_close(2);
    outcome.target = read_file("target");
    return outcome;
  }

  // The two copies end alike: the same end, count, positions, end flag, error number and bytes
  // in the target.
  static void expect_same_end(const Outcome& got, const Outcome& blocks) {
    EXPECT_EQ(got.end, blocks.end);
    EXPECT_EQ(got.copied, blocks.copied);
    EXPECT_EQ(got.source_position, blocks.source_position);
    EXPECT_EQ(got.target_position, blocks.target_position);
    EXPECT_EQ(got.at_end, blocks.at_end);
    EXPECT_EQ(got.error, blocks.error);
    EXPECT_TRUE(got.target == blocks.target);
  }
};

TEST_F(TransferTest, AFiveByteFileReadFor13GivesItsFiveBytesAndReachesTheEnd) {
  open_with("hello");
  EXPECT_EQ(bytes(file_read_bytes(1, 13)), "hello");
  EXPECT_EQ(file_at_end(1), -1);
  EXPECT_EQ(file_position(1), 6u);
  EXPECT_EQ(file_lookup_channel(1)->last_count, 5u);
  EXPECT_FALSE(pending());
}

TEST_F(TransferTest, OnlyTheReadAfterTheLastByteSetsTheEndFlag) {
  open_with("");
  EXPECT_EQ(file_at_end(1), 0);  // not even an empty file before a read
  file_close(1);
  open_with("hello");
  EXPECT_EQ(file_at_end(1), 0);  // right after the open
  EXPECT_EQ(bytes(file_read_bytes(1, 5)), "hello");
  EXPECT_EQ(file_at_end(1), 0);
  EXPECT_EQ(bytes(file_read_bytes(1, 1)), "");
  EXPECT_EQ(file_at_end(1), -1);
  // A read of nothing moves nothing and clears the flag.
  EXPECT_EQ(bytes(file_read_bytes(1, 0)), "");
  EXPECT_EQ(file_at_end(1), 0);
  EXPECT_FALSE(pending());
}

TEST_F(TransferTest, AWriteAfterTheEndClearsTheFlag) {
  open_with("ab");
  file_read_bytes(1, 10);
  ASSERT_EQ(file_at_end(1), -1);
  file_write_text(1, text("cd"));
  EXPECT_EQ(file_at_end(1), 0);
  EXPECT_EQ(file_position(1), 5u);
  file_close(1);
  EXPECT_EQ(read_file("data"), "abcd");
}

TEST_F(TransferTest, ReadsAndWritesShareOneFilePointer) {
  open_with("0123456789");
  EXPECT_EQ(bytes(file_read_bytes(1, 3)), "012");
  file_write_text(1, text("xy"));  // overwrites the bytes that follow those read
  EXPECT_EQ(bytes(file_read_bytes(1, 2)), "56");  // continues behind the written bytes
  file_close(1);
  EXPECT_EQ(read_file("data"), "012xy56789");
}

TEST_F(TransferTest, A16BitValueWrittenAtPosition5LandsLowByteFirstAtOffset4) {
  open_with("..........");
  const std::uint16_t value = 0x1234;
  file_write_at(1, 5, &value, sizeof value);
  EXPECT_EQ(error(), 0);
  EXPECT_EQ(file_position(1), 7u);
  file_close(1);
  const std::string bytes = read_file("data");
  EXPECT_EQ(bytes[4], '\x34');
  EXPECT_EQ(bytes[5], '\x12');
  EXPECT_EQ(bytes.size(), 10u);
}

TEST_F(TransferTest, PositionedTransfersReadBackWhatWasWritten) {
  open_with("");
  const std::uint16_t written = 0xBEEF;
  file_write_at(1, 3, &written, sizeof written);
  std::uint16_t read = 0;
  file_read_at(1, 3, &read, sizeof read);
  EXPECT_EQ(read, 0xBEEF);
  // Without a position the transfer goes on at the current one.
  file_write_at(1, std::nullopt, &written, sizeof written);
  EXPECT_EQ(file_size(1), 6u);
  EXPECT_FALSE(pending());
}

TEST_F(TransferTest, PositionZeroIsRefusedWith63AndMovesNothing) {
  open_with("abcdef");
  file_read_bytes(1, 2);
  std::uint16_t value = 0x7777;
  file_read_at(1, 0, &value, sizeof value);
  EXPECT_EQ(error(), ERR_BAD_POSITION);
  EXPECT_EQ(value, 0x7777);
  clear_error();
  file_write_at(1, 0, &value, sizeof value);
  EXPECT_EQ(error(), ERR_BAD_POSITION);
  EXPECT_EQ(file_position(1), 3u);
  file_close(1);
  EXPECT_EQ(read_file("data"), "abcdef");
}

TEST_F(TransferTest, APositionedReadPastTheEndZeroFillsAndSetsTheFlag) {
  open_with("hello");
  std::uint16_t value = 0xFFFF;
  file_read_at(1, 100, &value, sizeof value);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(file_at_end(1), -1);
  EXPECT_FALSE(pending());
  // Half inside the file: the byte found, then zero.
  value = 0xFFFF;
  file_read_at(1, 5, &value, sizeof value);
  EXPECT_EQ(value, 'o');
  EXPECT_EQ(file_at_end(1), -1);
  EXPECT_EQ(file_position(1), 6u);
}

TEST_F(TransferTest, APositionedWritePastTheEndMakesTheFileLongEnough) {
  open_with("ab");
  const std::uint16_t value = 0x4142;
  file_write_at(1, 20, &value, sizeof value);
  EXPECT_EQ(file_size(1), 21u);
  file_close(1);
  const std::string bytes = read_file("data");
  EXPECT_EQ(bytes.substr(0, 2), "ab");
  EXPECT_EQ(bytes.substr(2, 17), std::string(17, '\0'));
  EXPECT_EQ(bytes.substr(19), "BA");
}

TEST_F(TransferTest, SizeFollowsTheWrites) {
  open_binary(1, "new");
  EXPECT_EQ(file_size(1), 0u);
  file_write_text(1, text("0123456789"));
  EXPECT_EQ(file_size(1), 10u);
}

TEST_F(TransferTest, EveryOperationOnAChannelNotOpenFailsWithItsNumber) {
  std::uint16_t value = 0x5555;
  struct Case {
    const char* operation;
    std::function<std::uint64_t()> call;
    ErrorNumber expected;
  } cases[] = {
      {"read_bytes", [] { return std::uint64_t{txt_length(file_read_bytes(3, 4))}; }, ERR_BAD_CHANNEL},
      {"write_text", [] { file_write_text(3, text("x")); return std::uint64_t{0}; }, ERR_BAD_CHANNEL},
      {"read_at", [&] { file_read_at(3, 1, &value, 2); return std::uint64_t{0}; }, ERR_BAD_CHANNEL},
      {"write_at", [&] { file_write_at(3, 1, &value, 2); return std::uint64_t{0}; }, ERR_BAD_CHANNEL},
      {"size", [] { return file_size(3); }, ERR_BAD_CHANNEL},
      {"set_end", [] { file_set_end(3); return std::uint64_t{0}; }, ERR_BAD_CHANNEL},
      {"at_end", [] { return static_cast<std::uint64_t>(file_at_end(3)); }, ERR_FILE_NOT_FOUND},
      {"position", [] { return file_position(3); }, ERR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    clear_error();
    EXPECT_EQ(c.call(), 0u) << c.operation;
    EXPECT_EQ(error(), c.expected) << c.operation;
  }
  EXPECT_EQ(value, 0x5555);
}

TEST_F(TransferTest, ChannelsOfOtherModesRefuseTransfersWith54) {
  write_file("data", "abc");
  file_open(1, text("data"), OpenRequest{MODE_INPUT, 0x81, 8, 1});
  ASSERT_EQ(error(), 0);
  std::uint16_t value = 0;
  EXPECT_EQ(bytes(file_read_bytes(1, 2)), "");
  EXPECT_EQ(error(), ERR_BAD_FILE_MODE);
  clear_error();
  file_read_at(1, 1, &value, 2);
  EXPECT_EQ(error(), ERR_BAD_FILE_MODE);
  clear_error();
  file_write_text(1, text("z"));
  EXPECT_EQ(error(), ERR_BAD_FILE_MODE);
  clear_error();
  // Neither is a query of a channel of another mode an error.
  EXPECT_EQ(file_size(1), 3u);
  EXPECT_EQ(file_at_end(1), 0);
  EXPECT_FALSE(pending());
}

TEST_F(TransferTest, AWriteThatMovesFewerBytesFailsWith61) {
  open_with("");
  files.short_write_after(1);
  file_write_text(1, text("1234"));
  EXPECT_FALSE(pending());
  file_write_text(1, text("abcdefgh"));
  EXPECT_EQ(error(), ERR_DISK_FULL);
  EXPECT_EQ(file_position(1), 9u);  // the four bytes that did go
  clear_error();
  const std::uint32_t value = 0x01020304;
  file_write_at(1, 1, &value, sizeof value);
  EXPECT_EQ(error(), ERR_DISK_FULL);
  file_close(1);
  EXPECT_EQ(read_file("data"), "\x04\x03" "34abcd");
}

TEST_F(TransferTest, FailuresCanBeAimedAtTheFilesOfOneName) {
  write_file("piece.1", "first");
  files.short_write_to("piece.2");
  files.fail_read_of("piece.1", 1);
  open_binary(1, "piece.1");
  open_binary(2, "piece.2");
  open_binary(3, "piece.3");
  file_write_text(3, text("fine"));
  EXPECT_FALSE(pending());
  file_write_text(2, text("1234"));
  EXPECT_EQ(error(), ERR_DISK_FULL);
  clear_error();
  EXPECT_EQ(bytes(file_read_bytes(1, 2)), "fi");
  EXPECT_EQ(bytes(file_read_bytes(1, 2)), "");
  EXPECT_EQ(error(), ERR_MEDIA_ERROR);
}

TEST_F(TransferTest, AFailingReadGivesItsMappedNumberAndAnEmptyText) {
  open_with("hello");
  files.fail_read_after(0);
  EXPECT_EQ(bytes(file_read_bytes(1, 3)), "");
  EXPECT_EQ(error(), ERR_MEDIA_ERROR);
  EXPECT_EQ(file_at_end(1), 0);
  clear_error();
  std::uint16_t value = 0x6666;
  file_read_at(1, 1, &value, sizeof value);
  EXPECT_EQ(error(), ERR_MEDIA_ERROR);
  EXPECT_EQ(value, 0x6666);  // not zero-filled
}

TEST_F(TransferTest, AReadThatCannotBeAllocatedFailsWith7) {
  open_with("hello");
  txt_fail_allocations_after(0);
  const TextValue got = file_read_bytes(1, 4);
  txt_fail_allocations_after(-1);
  EXPECT_EQ(bytes(got), "");
  EXPECT_EQ(error(), ERR_OUT_OF_MEMORY);
  EXPECT_EQ(file_position(1), 1u);
}

TEST_F(TransferTest, SetEndCutsTheFileAtTheCurrentPosition) {
  open_with("0123456789");
  file_read_bytes(1, 4);
  file_set_end(1);
  EXPECT_EQ(error(), 0);
  EXPECT_EQ(file_size(1), 4u);
  // Further on, it extends the file with zero bytes.
  std::uint8_t byte = 0;
  file_read_at(1, 7, &byte, 1);  // moves nothing: the channel stands at offset 6
  file_set_end(1);
  EXPECT_EQ(file_size(1), 6u);
  file_close(1);
  EXPECT_EQ(read_file("data"), std::string("0123\0\0", 6));
}

TEST_F(TransferTest, RenameReplacesTheFileOfExactlyTheNewName) {
  write_file("new", "fresh");
  write_file("Old", "another file");
  write_file("gone", "stale");
  file_rename(text("NEW"), text("old"));  // the file is found case-blind; the new name is exact
  EXPECT_EQ(error(), 0);
  EXPECT_FALSE(exists("new"));
  EXPECT_EQ(read_file("old"), "fresh");
  EXPECT_EQ(read_file("Old"), "another file");
  file_rename(text("old"), text("gone"));
  EXPECT_EQ(error(), 0);
  EXPECT_EQ(read_file("gone"), "fresh");
}

TEST_F(TransferTest, RenameAndRemoveFailuresGiveTheirNumbers) {
  write_file("file", "x");
  std::filesystem::create_directory("adir");
  write_file("held", "h");
  open_binary(1, "held");
  struct Case {
    const char* what;
    std::function<void()> call;
    ErrorNumber expected;
  } cases[] = {
      {"rename missing", [] { file_rename(text("missing"), text("to")); }, ERR_FILE_NOT_FOUND},
      {"rename into missing directory", [] { file_rename(text("file"), text("nodir/to")); }, ERR_PATH_NOT_FOUND},
      {"rename held", [] { file_rename(text("held"), text("to")); }, ERR_PERMISSION_DENIED},
      {"rename onto held", [] { file_rename(text("file"), text("held")); }, ERR_PERMISSION_DENIED},
      {"rename bad name", [] { file_rename(text("file"), text("t*")); }, ERR_BAD_FILE_NAME},
      {"remove missing", [] { file_remove(text("missing")); }, ERR_FILE_NOT_FOUND},
      {"remove in missing directory", [] { file_remove(text("nodir/x")); }, ERR_PATH_NOT_FOUND},
      {"remove directory", [] { file_remove(text("adir")); }, ERR_ACCESS_ERROR},
      {"remove held", [] { file_remove(text("held")); }, ERR_PERMISSION_DENIED},
      {"remove empty name", [] { file_remove(text("")); }, ERR_BAD_FILE_NAME},
  };
  for (const Case& c : cases) {
    clear_error();
    c.call();
    EXPECT_EQ(error(), c.expected) << c.what;
  }
  EXPECT_EQ(read_file("file"), "x");
  EXPECT_EQ(read_file("held"), "h");
  EXPECT_TRUE(std::filesystem::is_directory("adir"));
  // Only the file of exactly the name is removed.
  clear_error();
  file_remove(text("FILE"));
  EXPECT_EQ(error(), ERR_FILE_NOT_FOUND);
  EXPECT_TRUE(exists("file"));
  clear_error();
  file_remove(text("file"));
  EXPECT_EQ(error(), 0);
  EXPECT_FALSE(exists("file"));
}

// A 5 GiB file whose last two bytes are written through a channel: sizes and positions past
// 4 GiB work whole. The file is sparse, so it costs no disk space.
TEST_F(TransferTest, AFileOf5GiBIsWrittenAndReadAtItsEnd) {
  constexpr std::uint64_t FIVE_GIB = 5ull << 30;
  open_binary(1, "big");
  const std::uint16_t value = 0xCAFE;
  file_write_at(1, FIVE_GIB - 1, &value, sizeof value);  // offset 5 GiB - 2
  ASSERT_EQ(error(), 0);
  EXPECT_EQ(file_size(1), FIVE_GIB);
  EXPECT_EQ(file_position(1), FIVE_GIB + 1);
  std::uint16_t back = 0;
  file_read_at(1, FIVE_GIB - 1, &back, sizeof back);
  EXPECT_EQ(back, 0xCAFE);
  EXPECT_EQ(file_at_end(1), 0);
  EXPECT_EQ(bytes(file_read_bytes(1, 4)), "");
  EXPECT_EQ(file_at_end(1), -1);
  file_close(1);
  open_binary(1, "big");
  EXPECT_EQ(file_size(1), FIVE_GIB);
  EXPECT_FALSE(pending());
}

// A real full disk: a 64 KiB tmpfs, mounted when the tests run as root.
TEST_F(TransferTest, AFullDiskCutsTheWriteShortWith61) {
  std::filesystem::create_directory("small");
  if (std::system("mount -t tmpfs -o size=64k tmpfs small 2>/dev/null") != 0) {
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  }
  struct Unmount {
    ~Unmount() {
      file_close(1);
      EXPECT_EQ(std::system("umount small"), 0);
    }
  } unmount;
  open_binary(1, "small/full");
  const TextValue block = txt_constant(std::string(128 * 1024, 'z'));
  file_write_text(1, block);
  EXPECT_EQ(error(), ERR_DISK_FULL);
  const std::uint64_t size = file_size(1);
  EXPECT_LT(size, 128u * 1024);
  EXPECT_EQ(file_position(1), size + 1);
}

// A copy inside the file system ends exactly as the same copy made of blocks alone, whether the
// kernel copies all, stops early, declines, or a read or write fails on the way; and so does a
// watched copy, in slices or all in blocks.
TEST_F(TransferTest, ACopyInsideTheFileSystemEndsAsTheBlockLoopWould) {
  for (const CopyCase& c : COPY_CASES) {
    SCOPED_TRACE(c.what);
    const Outcome blocks = copy(c, Way::blocks);
    for (const Way way : {Way::kernel, Way::watched, Way::bytes_watched}) {
      SCOPED_TRACE(static_cast<int>(way));
      expect_same_end(copy(c, way), blocks);
    }
  }
}

// A watcher hears of every byte that reaches the target, a failing write's included, and of no
// other; one that needs the bytes sees them all, and the file system copies none by itself. The
// kernel's part is heard a slice at a time; with no one watching it is asked once.
TEST_F(TransferTest, AWatcherHearsEveryByteThatReachesTheTarget) {
  for (const CopyCase& c : COPY_CASES) {
    SCOPED_TRACE(c.what);
    const Outcome blocks = copy(c, Way::blocks);
    const Outcome kernel = copy(c, Way::kernel);
    const Outcome watched = copy(c, Way::watched);
    const Outcome bytes = copy(c, Way::bytes_watched);
    EXPECT_LE(kernel.kernel_copies, 1);

    const std::string written = bytes.target.substr(1);
    EXPECT_TRUE(bytes.seen == written);
    EXPECT_EQ(bytes.moved, written.size());
    EXPECT_EQ(bytes.kernel_copies, 0);
    EXPECT_EQ(bytes.reads, blocks.reads);  // the calls of a file system without a copy of its own
    EXPECT_EQ(bytes.writes, blocks.writes);
    EXPECT_EQ(bytes.sizes, blocks.sizes);

    EXPECT_EQ(watched.moved, watched.target.size() - 1);
    EXPECT_LE(watched.largest_move, std::max<std::uint64_t>(WATCH_SLICE, COPY_BLOCK));
    // What passed through the program came after what the kernel copied.
    ASSERT_LE(watched.seen.size(), watched.target.size() - 1);
    EXPECT_TRUE(watched.seen == watched.target.substr(watched.target.size() - watched.seen.size()));
    EXPECT_EQ(watched.reads, kernel.reads);
    EXPECT_EQ(watched.writes, kernel.writes);
  }
}

// What a copy answers, for one case of each end.
TEST_F(TransferTest, ACopyGivesHowItEndedAndWhatItCopied) {
  write_file("source", "0123456789");
  write_file("target", "");
  open_binary(1, "source");
  open_binary(2, "target");
  std::uint64_t copied = 0;
  EXPECT_EQ(file_copy_range(1, 2, 4, 3, copied), FileCopyEnd::done);
  EXPECT_EQ(copied, 4u);
  EXPECT_EQ(file_copy_range(1, 2, 10, 3, copied), FileCopyEnd::source_ended);
  EXPECT_EQ(copied, 6u);  // three blocks of three: the third came up short and was not written
  EXPECT_EQ(file_at_end(1), -1);
  file_close(1);
  file_close(2);
  EXPECT_EQ(read_file("target"), "0123456789");
  // A rest asked for exactly: a longer source is found before anything is written (more than a
  // block) or before its last block is (at most a block); the rest itself is copied whole.
  write_file("target", "");
  open_binary(1, "source");
  open_binary(2, "target");
  EXPECT_EQ(file_copy_range(1, 2, 7, 3, copied, SourceRest::exactly), FileCopyEnd::source_longer);
  EXPECT_EQ(copied, 0u);
  EXPECT_EQ(file_copy_range(1, 2, 2, 3, copied, SourceRest::exactly), FileCopyEnd::source_longer);
  EXPECT_EQ(copied, 0u);
  file_read_at(1, 8, nullptr, 0);
  EXPECT_EQ(file_copy_range(1, 2, 3, 3, copied, SourceRest::exactly), FileCopyEnd::done);
  EXPECT_EQ(copied, 3u);
  file_close(1);
  file_close(2);
  EXPECT_EQ(read_file("target"), "789");
}

}  // namespace
