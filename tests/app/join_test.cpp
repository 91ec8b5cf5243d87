#include "app/join.h"

#include <vector>

#include "app/split.h"

#include "fakes/app_scenario.h"

namespace {

const std::string MARK = "\xfe";

class JoinTest : public AppScenario {
 protected:
  // Joins through the glue prompt, as a user who types the base name.
  int glue(const std::string& base) {
    console.type("g" + base + "\r");
    return run();
  }
};

TEST_F(JoinTest, SetWrittenBySplitJoinsIntoTheLowerCasedExtension) {
  const std::string source = pattern(100);
  write_file("DATA.ZIP", source);
  console.type("s50\r");
  ASSERT_EQ(run("DATA.ZIP"), 0);
  std::filesystem::rename("DATA.ZIP", "original");
  EXPECT_EQ(glue("DATA"), 0);
  EXPECT_EQ(read_file("DATA.zip"), source);
  EXPECT_EQ(console.row(17), MARK + MARK + MARK + " Now adding : DATA.3");
  EXPECT_TRUE(exists("DATA.1") && exists("DATA.2") && exists("DATA.3"));  // pieces stay
}

TEST_F(JoinTest, MissingCountedPieceShowsTheIncompleteSetAndWritesNothing) {
  write_file("DATA.1", header("ZIP", 3) + "aa");
  write_file("DATA.2", "bb");
  console.type_after_flush("k");
  EXPECT_EQ(glue("DATA"), 0);
  EXPECT_EQ(console.row(17), "Now creating : DATA");
  EXPECT_EQ(console.row(18), "ERROR! Incomplete file set!");
  EXPECT_EQ(console.row(19), "File not found : DATA.3");
  EXPECT_EQ(console.row(20), "");
  EXPECT_EQ(console.row(21), "Press any key to end.");
  EXPECT_EQ(listing(), "DATA.1 DATA.2");
}

TEST_F(JoinTest, PiecesBeyondTheCountAreJoinedUpToTheFirstGap) {
  write_file("DATA.1", header("ZIP", 2) + "1");
  write_file("DATA.2", "2");
  write_file("DATA.3", "3");
  EXPECT_EQ(glue("DATA"), 0);
  EXPECT_EQ(read_file("DATA.zip"), "123");

  write_file("SET.1", header("BIN", 2) + "1");
  write_file("SET.2", "2");
  write_file("SET.4", "4");
  EXPECT_EQ(glue("SET"), 0);
  EXPECT_EQ(read_file("SET.bin"), "12");
}

TEST_F(JoinTest, EmptyLastPieceJoinsAsNothing) {
  write_file("DATA.1", header("ZIP", 2) + std::string(32, 'a'));
  write_file("DATA.2", std::string(50, 'b'));
  write_file("DATA.3", "");
  EXPECT_EQ(glue("DATA"), 0);
  EXPECT_EQ(read_file("DATA.zip"), std::string(32, 'a') + std::string(50, 'b'));
  EXPECT_EQ(console.row(17), MARK + MARK + MARK + " Now adding : DATA.3");
}

TEST_F(JoinTest, OtherFirstPiecesUseTheOldLayoutWithoutACount) {
  struct Case {
    std::string first_piece, output, data;
  };
  const Case cases[] = {
      {"Tranchor v2.0DOCabc", "OLD.doc", "abcZ"},
      {"Something elsEXEabc", "OLD.exe", "abcZ"},
  };
  for (const Case& c : cases) {
    write_file("OLD.1", c.first_piece);
    write_file("OLD.2", "Z");
    EXPECT_EQ(glue("OLD"), 0);
    EXPECT_EQ(read_file(c.output), c.data);
  }
}

TEST_F(JoinTest, NameTypedWithItsExtensionFindsNoPieces) {
  write_file("DATA.1", header("ZIP", 1) + "x");
  console.type_after_flush("k");
  EXPECT_EQ(glue("DATA.ZIP"), 0);
  // The existence test looks for DATA.ZIP.*, which matches nothing.
  EXPECT_EQ(console.row(12), "File not found : DATA.ZIP");
}

TEST_F(JoinTest, BaseNameWithADotLooksForDoubleDots) {
  write_file("DATA.1", header("ZIP", 1) + "x");
  EXPECT_EQ(app_join(txt_constant("DATA.ZIP")), 0);
  EXPECT_EQ(console.row(17), "Now creating : DATA.");
  EXPECT_EQ(listing(), "DATA.1");
}

TEST_F(JoinTest, MissingFirstPieceLeavesOnlyTheCreatingLine) {
  write_file("DATA.2", "x");
  EXPECT_EQ(app_join(txt_constant("DATA")), 0);
  EXPECT_EQ(console.row(17), "Now creating : DATA");
  EXPECT_EQ(console.row(18), "");
  EXPECT_EQ(listing(), "DATA.2");
}

TEST_F(JoinTest, OutputNameDropsTrailingBlanksAndDots) {
  struct Case {
    std::string base, field, name;
  };
  const Case cases[] = {
      {"READ", "me ", "READ.me"}, {"NAME", "   ", "NAME"}, {"A", "b  ", "A.b"}, {"A.", "zip", "A..zip"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(txt_view(app_output_name(txt_constant(c.base), txt_constant(c.field))), c.name);
  }
  write_file("READ.1", header("ME ", 1) + "readme");
  EXPECT_EQ(glue("READ"), 0);
  EXPECT_EQ(read_file("READ.me"), "readme");
}

TEST_F(JoinTest, DotlessSourceRoundTrips) {
  write_file("noext", pattern(120));
  console.type("s50\r");
  ASSERT_EQ(run("noext"), 0);
  std::filesystem::rename("noext", "kept");
  EXPECT_EQ(run("noext.1"), 0);
  EXPECT_EQ(read_file("noext"), pattern(120));
}

TEST_F(JoinTest, UnusableExtensionFieldsAreRefusedBeforeAnythingIsWritten) {
  for (const std::string& field : std::vector<std::string>{"a/b", std::string("a\0b", 3), "x\ty", "*  ", "?  "}) {
    SCOPED_TRACE(field);
    write_file("BAD.1", header(field, 1) + "data");
    console.type_after_flush("k");
    EXPECT_EQ(app_join(txt_constant("BAD")), 1);
    EXPECT_EQ(listing(), "BAD.1");
  }
}

TEST_F(JoinTest, OutputThatWouldBeOneOfThePiecesIsRefused) {
  write_file("SET.1", header("2  ", 2) + "one");
  write_file("SET.2", "two");
  console.type_after_flush("k");
  EXPECT_EQ(app_join(txt_constant("SET")), 1);
  EXPECT_EQ(read_file("SET.2"), "two");
  EXPECT_EQ(console.row(18), "ERROR! Cannot write : SET.2");
}

TEST_F(JoinTest, ExistingOutputIsReplacedWhole) {
  write_file("DATA.zip", std::string(1000, 'o'));
  write_file("DATA.1", header("ZIP", 1) + "new");
  EXPECT_EQ(glue("DATA"), 0);
  EXPECT_EQ(read_file("DATA.zip"), "new");
  EXPECT_EQ(listing(), "DATA.1 DATA.zip");
}

TEST_F(JoinTest, RoundTripsForManyLengthsAndSizes) {
  const std::size_t lengths[] = {0, 1, 31, 32, 33, 32750 - 18, 32750, 32751, 65500, 65518, 100000, 3 * 1024 * 1024 + 5};
  const std::uint32_t sizes[] = {19, 50, 32750, 32768, 65518, 1000000};
  int run_number = 0;
  for (std::size_t length : lengths) {
    for (std::uint32_t size : sizes) {
      if (!app_piece_size_fits(size, length) || length / size > 300) continue;
      SCOPED_TRACE(std::to_string(length) + " in pieces of " + std::to_string(size));
      for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry);
      const std::string source = pattern(length, static_cast<unsigned>(++run_number));
      write_file("SRC.DAT", source);
      console.type("s" + std::to_string(size) + "\r");
      ASSERT_EQ(run("SRC.DAT"), 0);
      std::filesystem::remove("SRC.DAT");
      ASSERT_EQ(run("SRC.1"), 0);
      ASSERT_EQ(read_file("SRC.dat"), source);
    }
  }
}

}  // namespace
