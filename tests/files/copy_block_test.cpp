// A block copied from channel to channel must end exactly as a read of the block followed by a
// write of the bytes read: the same files, positions, end flags and error numbers, whether the
// file system moves the bytes itself or the program reads and writes them.
#include "files/transfer.h"

#include <string>
#include <vector>

#include "files/files_fixture.h"
#include "platform/process.h"

namespace {

class CopyBlockTest : public FilesTest {
 protected:
  // The file system that moves bytes itself where it can, or the one that always declines.
  void use_real_file_system(bool real) { rt_state.file_system = real ? &process_file_system() : &files; }
  ~CopyBlockTest() override { rt_state.file_system = &files; }

  struct Outcome {
    std::string target;
    std::uint64_t source_position, target_position;
    std::int32_t source_at_end;
    std::vector<std::uint32_t> reads;
    ErrorNumber error;
  };

  // Copies blocks of the given sizes from "src" to "dst" (which starts with the given bytes),
  // by file_copy_block or by a read and a write, and reports how everything ended.
  Outcome run(const std::vector<std::uint32_t>& blocks, const std::string& target_before, bool by_copy,
              bool write_short) {
    write_file("dst", target_before);
    open_binary(1, "src");
    open_binary(2, "dst");
    Outcome outcome{};
    for (const std::uint32_t block : blocks) {
      if (by_copy) {
        std::uint32_t read = 0;
        file_copy_block(1, 2, block, write_short, &read);
        outcome.reads.push_back(read);
      } else {
        const TextValue data = file_read_bytes(1, block);
        outcome.reads.push_back(data.length);
        if (data.length == block || write_short) file_write_text(2, data);
      }
    }
    outcome.source_position = file_position(1);
    outcome.target_position = file_position(2);
    outcome.source_at_end = file_at_end(1);
    outcome.error = error();
    file_close(1);
    file_close(2);
    outcome.target = read_file("dst");
    return outcome;
  }
};

TEST_F(CopyBlockTest, EndsAsAReadFollowedByAWrite) {
  std::string source;
  for (int i = 0; i < 100000; ++i) source += static_cast<char>(i * 31 % 251);
  struct Case {
    const char* what;
    std::vector<std::uint32_t> blocks;
    std::string target_before;
    bool write_short;
  } cases[] = {
      {"whole blocks", {32750, 32750, 32750, 1750}, "", true},
      {"past the end, the short block written", {32750, 32750, 32750, 32750, 32750}, "", true},
      {"past the end, the short block kept back", {32750, 32750, 32750, 32750}, "", false},
      {"a block of 0 bytes", {0, 10, 0}, "", true},
      {"onto a longer file, overwritten from its first byte", {1000, 5}, std::string(5000, 'x'), true},
      {"at the very end", {100000, 1}, "", false},
  };
  write_file("src", source);
  for (const Case& c : cases) {
    for (const bool real : {true, false}) {
      use_real_file_system(real);
      const Outcome reference = run(c.blocks, c.target_before, false, c.write_short);
      clear_error();
      const Outcome copied = run(c.blocks, c.target_before, true, c.write_short);
      clear_error();
      const std::string label = std::string(c.what) + (real ? ", real file system" : ", declining file system");
      EXPECT_EQ(copied.target, reference.target) << label;
      EXPECT_EQ(copied.source_position, reference.source_position) << label;
      EXPECT_EQ(copied.target_position, reference.target_position) << label;
      EXPECT_EQ(copied.source_at_end, reference.source_at_end) << label;
      EXPECT_EQ(copied.reads, reference.reads) << label;
      EXPECT_EQ(copied.error, 0) << label;
    }
  }
}

TEST_F(CopyBlockTest, TellsWhichSideFailedWithTheNumbersOfReadAndWrite) {
  write_file("src", std::string(50000, 's'));
  struct Case {
    const char* what;
    void (*inject)(FailingFileSystem&);
    ChannelNumber from, to;
    BlockCopy outcome;
    ErrorNumber error;
    std::string target;
  } cases[] = {
      {"read fault", [](FailingFileSystem& f) { f.fail_read_of("src", 0); }, 1, 2, BlockCopy::read_failed,
       ERR_MEDIA_ERROR, ""},
      {"full disk", [](FailingFileSystem& f) { f.short_write_to("dst", 0); }, 1, 2, BlockCopy::write_failed,
       ERR_DISK_FULL, std::string(500, 's')},
      {"source not open", [](FailingFileSystem&) {}, 3, 2, BlockCopy::read_failed, ERR_BAD_CHANNEL, ""},
      {"target not open", [](FailingFileSystem&) {}, 1, 3, BlockCopy::write_failed, ERR_BAD_CHANNEL, ""},
  };
  for (const Case& c : cases) {
    files.reset();
    clear_error();
    write_file("dst", "");
    open_binary(1, "src");
    open_binary(2, "dst");
    c.inject(files);
    std::uint32_t read = 0;
    EXPECT_EQ(file_copy_block(c.from, c.to, 1000, true, &read), c.outcome) << c.what;
    EXPECT_EQ(error(), c.error) << c.what;
    file_close(1);
    file_close(2);
    EXPECT_EQ(read_file("dst"), c.target) << c.what;
  }
}

}  // namespace
