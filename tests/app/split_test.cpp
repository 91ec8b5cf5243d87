#include "app/piece_format.h"
#include "app/split.h"
#include "text/size_text.h"

#include <sys/stat.h>

#include <functional>

#include "fakes/app_scenario.h"

namespace {

const std::string MARK = "\xfe";

class SplitTest : public AppScenario {
 protected:
  int split(const std::string& name, const std::string& typed_sizes) { return split_dropped(name, typed_sizes); }
};

TEST_F(SplitTest, WorkedExamplesByteForByte) {
  struct Case {
    std::size_t source_length;
    std::vector<std::size_t> piece_lengths;
    int count;
  };
  const Case cases[] = {
      {100, {50, 50, 18}, 2},
      {82, {50, 50, 0}, 2},
      {0, {18}, 0},
      {32, {50, 0}, 1},
      {33, {50, 1}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source_length);
    clear_directory();
    const std::string source = pattern(c.source_length, static_cast<unsigned>(c.source_length));
    write_file("DATA.ZIP", source);
    ASSERT_EQ(split("DATA.ZIP", "50\r"), 0);
    std::string data;
    for (std::size_t i = 0; i < c.piece_lengths.size(); ++i) {
      const std::string piece = read_file("DATA." + std::to_string(i + 1));
      EXPECT_EQ(piece.size(), c.piece_lengths[i]) << "piece " << i + 1;
      data += i == 0 ? piece.substr(18) : piece;
    }
    EXPECT_FALSE(exists("DATA." + std::to_string(c.piece_lengths.size() + 1)));
    EXPECT_EQ(read_file("DATA.1").substr(0, 18), header("ZIP", c.count));
    EXPECT_EQ(data, source);
    EXPECT_EQ(read_file("DATA.ZIP"), source);  // the source is never changed
  }
}

TEST_F(SplitTest, RefusedSizesRepeatThePromptOnTheNextRow) {
  write_file("DATA.ZIP", pattern(40));
  EXPECT_EQ(split("DATA.ZIP", "\rword\r0\r13\r18\r19\r"), 0);
  const char* typed[] = {"", "word", "0", "13", "18", "19"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(console.row(11 + i), MARK + " with a size of [bytes]:" + typed[i]) << i;
  }
  EXPECT_EQ(read_file("DATA.1").size(), 19u);
  for (std::uint32_t size : {0u, 1u, 13u, 14u, 17u, 18u}) EXPECT_FALSE(app_plan_split(40, size).fits) << size;
}

TEST_F(SplitTest, SizesTakeAUnitAndAreRoundedHalfToEven) {
  struct Case {
    std::string typed;
    std::uint64_t size;
  };
  const Case cases[] = {
      // Texts without a unit keep their meaning.
      {"100.5", 100}, {"100.6", 101}, {"101.5", 102}, {"1000 bytes", 1000}, {"1,000", 1}, {"1.44e6", 1440000},
      {"&H100", 256}, {"&H10000", 65536}, {"4.7e9", 4700000000u}, {"4294967296", 4294967296u},
      {"9223372036854775807", 9223372036854775800u},
      // Units: powers of 1024 and of 1000, in any case, after optional blanks.
      {"512K", 524288}, {"512k", 524288}, {"512 K", 524288}, {"512\tKiB", 524288}, {"512 kib", 524288},
      {"1.5M", 1572864}, {"1.5MiB", 1572864}, {"1MB", 1000000}, {"1 mb", 1000000}, {"4.7GB", 4700000000u},
      {"2G", 2147483648u}, {"1T", 1099511627776u}, {"1TB", 1000000000000u}, {"&H10K", 16384},
      {"1e3K", 1024000}, {"512K bytes", 524288}, {"0.5K", 512}, {"1.0001K", 1024},
      // A word that is no unit, or a unit that runs on, leaves the number alone.
      {"512Kx", 512}, {"512KBytes", 512}, {"5 B", 5}, {"1KB2", 1}, {"3 P", 3}, {"2 KK", 2},
      // Nothing at or below zero, nothing from 2^63 on.
      {"0", 0}, {"-1", 0}, {"-1K", 0}, {"-4294967200", 0}, {"0.4", 0}, {"1e30", 0}, {"9000000T", 0},
      {"8000000T", 8796093022208000000u}, {"word", 0},
      // The sizes of media, by name in any case.
      {"fat32", 4294967295u}, {"FAT32", 4294967295u}, {" cd ", 734003200u}, {"DVD", 4700000000u}, {"bd", 25000000000u},
      {"fat", 0}, {"dvd2", 0}, {"100 MB", 100000000u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(num_size_from_text(txt_constant(c.typed)), c.size) << c.typed;
  }
}

TEST_F(SplitTest, SizesOfZeroAndBelowAreRefusedAndUnitsWorkAtThePrompt) {
  const std::string source = pattern(5000);
  write_file("DATA.ZIP", source);
  EXPECT_EQ(split("DATA.ZIP", "-1\r0\r-5K\r1K\r"), 0);
  const char* typed[] = {"-1", "0", "-5K", "1K"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(console.row(11 + i), MARK + " with a size of [bytes]:" + typed[i]) << i;
  }
  EXPECT_EQ(read_file("DATA.1").size(), 1024u);
  EXPECT_EQ(read_file("DATA.5").size(), 5000u + 18 - 4 * 1024);
}

TEST_F(SplitTest, CountRoundsHalvesToEven) {
  EXPECT_EQ(app_plan_split(82, 200).piece_count, 0);   // 100 / 200 = 0.5
  EXPECT_EQ(app_plan_split(282, 200).piece_count, 2);  // 1.5
  EXPECT_EQ(app_plan_split(83, 200).piece_count, 1);
  EXPECT_EQ(app_plan_split(100, 50).piece_count, 2);
  EXPECT_EQ(app_plan_split(6ull << 30, 1u << 30).piece_count, 6);  // lengths beyond 32 bits
}

TEST_F(SplitTest, SizesNeedingTooManyPiecesAreRefused) {
  // 32,767 pieces at most, an empty last piece included.
  EXPECT_TRUE(app_plan_split(19 * 32767 - 18 - 1, 19).fits);
  EXPECT_FALSE(app_plan_split(19 * 32767 - 18, 19).fits);
  EXPECT_FALSE(app_plan_split(0, 18).fits);
  EXPECT_TRUE(app_plan_split(100ull << 30, 4294967295u).fits);
}

TEST_F(SplitTest, PieceNamesHaveNoLeadingZerosAndTheTenthIsTen) {
  write_file("DATA.ZIP", pattern(10 * 20 - 18 + 5));
  EXPECT_EQ(split("DATA.ZIP", "20\r"), 0);
  EXPECT_EQ(listing(), "DATA.1 DATA.10 DATA.11 DATA.2 DATA.3 DATA.4 DATA.5 DATA.6 DATA.7 DATA.8 DATA.9 DATA.ZIP DATA.sha256");
  EXPECT_EQ(console.row(17), std::string(11, '\xfe') + "DATA.11");
}

TEST_F(SplitTest, ExtensionFieldIsPaddedCutAndKeepsItsCase) {
  struct Case {
    std::string source, base, field;
  };
  const Case cases[] = {
      {"READ.ME", "READ.", "ME "},
      {"PAGE.HTML", "PAGE.", "HTM"},
      {"archive.tar.gz", "archive.", "tar"},
      {"NOTES.", "NOTES.", "   "},
      {"noext", "noext.", "   "},
      {"Mixed.ZiP", "Mixed.", "ZiP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    write_file(c.source, "abc");
    ASSERT_EQ(split(c.source, "100\r"), 0);
    EXPECT_EQ(read_file(c.base + "1"), header(c.field, 0) + "abc");
  }
}

TEST_F(SplitTest, PiecesLieBesideTheSourceWhateverTheDirectoriesAreCalled) {
  std::filesystem::create_directories("v1.0/sub.dir");
  write_file("v1.0/sub.dir/report.pdf", pattern(70));
  ASSERT_EQ(split("v1.0/sub.dir/report.pdf", "50\r"), 0);
  EXPECT_TRUE(exists("v1.0/sub.dir/report.1"));
  EXPECT_TRUE(exists("v1.0/sub.dir/report.2"));
  EXPECT_EQ(read_file("v1.0/sub.dir/report.1").substr(13, 3), "pdf");
}

TEST_F(SplitTest, ExistingPiecesAreReplacedWhole) {
  write_file("DATA.2", std::string(500, 'x'));
  write_file("DATA.ZIP", pattern(60));
  ASSERT_EQ(split("DATA.ZIP", "50\r"), 0);
  EXPECT_EQ(read_file("DATA.2"), pattern(60).substr(32));
}

// No piece of the set may be the source itself, by its own name or through a link: the split
// is refused before any piece is written.
TEST_F(SplitTest, PieceThatWouldBeTheSourceIsRefused) {
  struct Case {
    const char* what;
    std::string source;
    std::string piece;
  };
  const Case cases[] = {
      {"its first piece", "X.1", "X.1"},
      {"a later piece", "data.2", "data.2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_directory();
    const std::string text = pattern(250);
    write_file(c.source, text);
    write_file("X.2", "another file");
    write_file("data.1", "another file");
    const std::string before = listing();
    console.type_after_flush("k");
    EXPECT_EQ(split(c.source, "100\r"), 1);
    EXPECT_EQ(console.row(18), "ERROR! Cannot write : " + c.piece);
    EXPECT_EQ(console.row(20), "Press any key to end.");
    EXPECT_EQ(read_file(c.source), text);
    EXPECT_EQ(read_file("X.2"), "another file");
    EXPECT_EQ(read_file("data.1"), "another file");
    EXPECT_EQ(listing(), before);
  }
}

TEST_F(SplitTest, PieceThatIsALinkToTheSourceIsRefused) {
  struct Case {
    const char* what;
    std::function<void()> make_link;
    std::string piece;
  };
  const Case cases[] = {
      {"a symbolic link", [] { std::filesystem::create_symlink("DATA.ZIP", "DATA.3"); }, "DATA.3"},
      {"a hard link", [] { std::filesystem::create_hard_link("DATA.ZIP", "DATA.2"); }, "DATA.2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_directory();
    write_file("DATA.ZIP", pattern(250));
    c.make_link();
    console.type_after_flush("k");
    EXPECT_EQ(split("DATA.ZIP", "100\r"), 1);
    EXPECT_EQ(console.row(18), "ERROR! Cannot write : " + c.piece);
    EXPECT_EQ(read_file("DATA.ZIP"), pattern(250));
    EXPECT_FALSE(exists("DATA.1"));
  }
}

// Pieces are the files of exactly their names, with the source's permission bits.
TEST_F(SplitTest, PiecesAreNewFilesOfTheirOwn) {
  write_file("photo.jpg", pattern(150));
  write_file("PHOTO.1", "a piece of another set");
  ::chmod("photo.jpg", 0600);
  ASSERT_EQ(split("photo.jpg", "100\r"), 0);
  EXPECT_EQ(read_file("PHOTO.1"), "a piece of another set");
  EXPECT_EQ(listing(), "PHOTO.1 photo.1 photo.2 photo.jpg photo.sha256");
  struct stat info {};
  for (const char* piece : {"photo.1", "photo.2"}) {
    ASSERT_EQ(::stat(piece, &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << piece;
  }
  // A link under a piece's name is replaced by the piece, not written through.
  write_file("elsewhere", "not to be written");
  std::filesystem::remove("photo.2");
  std::filesystem::create_symlink("elsewhere", "photo.2");
  ASSERT_EQ(split("photo.jpg", "100\r"), 0);
  EXPECT_EQ(read_file("elsewhere"), "not to be written");
  EXPECT_FALSE(std::filesystem::is_symlink("photo.2"));
  EXPECT_EQ(read_file("photo.2"), pattern(150).substr(82));
  // An existing piece with wider bits is narrowed too; the umask still limits new bits.
  ::chmod("photo.2", 0666);
  ::chmod("photo.jpg", 0664);
  const mode_t mask = ::umask(022);
  ASSERT_EQ(split("photo.jpg", "100\r"), 0);
  ::umask(mask);
  ASSERT_EQ(::stat("photo.2", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(SplitTest, BlocksNeverExceedTheCopySizeAndLargeSourcesRoundTrip) {
  const std::string source = pattern(3 * 32750 + 77);
  write_file("BIG.BIN", source);
  ASSERT_EQ(split("BIG.BIN", "40000\r"), 0);
  std::string data = read_file("BIG.1").substr(18);
  for (int i = 2; exists("BIG." + std::to_string(i)); ++i) data += read_file("BIG." + std::to_string(i));
  EXPECT_EQ(data, source);
}

}  // namespace
