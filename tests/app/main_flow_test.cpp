#include "app/main_flow.h"

#include "fakes/app_scenario.h"

namespace {

const std::string MARK = "\xfe";

class MainFlowTest : public AppScenario {
 protected:
  void expect_banner() {
    EXPECT_EQ(console.row(1), "");
    EXPECT_EQ(console.row(2), "Tranchor v2.1");
    EXPECT_EQ(console.row(3), "by Aldermoor");
    EXPECT_EQ(console.row(4), "");
    EXPECT_EQ(console.row(5), "- 32bit Windows95/98/NT4.0 version.");
    EXPECT_EQ(console.row(6), "");
  }
  void expect_rows_empty_after(int last_row) {
    for (int row = last_row + 1; row <= 25; ++row) EXPECT_EQ(console.row(row), "") << "row " << row;
  }
};

TEST_F(MainFlowTest, HelpWordsShowTheHelpScreenAndEndAfterAKey) {
  for (const std::string tail : {"h", "help", "Help", "?", "/?", "H", "HELP", "\"?\""}) {
    SCOPED_TRACE(tail);
    console.type_after_flush("k");
    EXPECT_EQ(run(tail), 0);
    expect_banner();
    EXPECT_EQ(console.row(7), "Split a file into smaller parts");
    EXPECT_EQ(console.row(8), "or glue them together again.");
    EXPECT_EQ(console.row(9), "");
    EXPECT_EQ(console.row(10), "USAGE : Tranchor <enter>");
    EXPECT_EQ(console.row(11), "        Double-click or Drag and Drop on it.");
    EXPECT_EQ(console.row(12), "");
    EXPECT_EQ(console.row(13), "Press any key to continue.");
    expect_rows_empty_after(13);
    EXPECT_EQ(listing(), "");
  }
}

TEST_F(MainFlowTest, KeysTypedBeforeTheHelpScreenDoNotAnswerIt) {
  console.type("abc");
  console.hold_input_until_sleeps(0);
  // Everything queued before the flush is thrown away; the run then needs a key of its own, and
  // with none to be had it just ends: the help screen is no failure.
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the child runs alone, not forked mid-test
  EXPECT_EXIT(run("?"), ::testing::ExitedWithCode(0), "^$");
}

// With no console to show the screen or give the key, a run that ends on a message says it on
// standard error as one line, and ends with exit status 1.
TEST_F(MainFlowTest, WithoutAConsoleTheEndingMessageIsOneLineOnStandardError) {
  struct Case {
    const char* tail;
    const char* keys;
    const char* line;
  };
  const Case cases[] = {
      {"DATA.1", "", "^tranchor: ERROR! Incomplete file set! File not found : DATA.3\n$"},
      {"GHOST.BIN", "g", "^tranchor: File not found : GHOST.1\n$"},
      {"NOTE.TXT", "g", "^tranchor: ERROR! Cannot read : NOTE.1\n$"},
      {"GHOST.BIN", "s", "^tranchor: File not found : GHOST.BIN\n$"},
  };
  write_file("DATA.1", header("ZIP", 3) + "ab");
  write_file("DATA.2", "cd");
  write_file("NOTE.1", "just a note, no piece");
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tail);
    EXPECT_EXIT(
        {
          console.type(c.keys);
          run(c.tail);
        },
        ::testing::ExitedWithCode(1), c.line);
  }
}

TEST_F(MainFlowTest, OtherTailsAreFileNames) {
  for (const std::string tail : {"/h", "-?", "? ", "helpme"}) {
    SCOPED_TRACE(tail);
    console.press_key(27, 0x01);
    EXPECT_EQ(run(tail), 0);
    EXPECT_EQ(console.row_cells(8).substr(0, 22), MARK + " [S]plit or [G]lue : ");
    EXPECT_EQ(console.row(7), "");
  }
}

TEST_F(MainFlowTest, EscapeAtEitherMenuEndsTheRunAtOnce) {
  console.type("xq1");
  console.press_key(0, 59);
  console.press_key(27, 0x01);
  EXPECT_EQ(run(), 0);
  expect_banner();
  EXPECT_EQ(console.row(7), "");
  EXPECT_EQ(console.row(8), MARK + " [S]plit or [G]lue :");
  expect_rows_empty_after(8);
  EXPECT_EQ(console.cursor_row(), 9);

  write_file("DATA.ZIP", "payload");
  console.press_key(27, 0x01);
  EXPECT_EQ(run("DATA.ZIP"), 0);
  EXPECT_EQ(console.row_cells(8).substr(0, 22), MARK + " [S]plit or [G]lue : ");
  expect_rows_empty_after(8);
  EXPECT_EQ(console.cursor_row(), 8);
  EXPECT_EQ(console.cursor_column(), 23);
  EXPECT_EQ(listing(), "DATA.ZIP");
}

TEST_F(MainFlowTest, MissingFileAtTheSplitPrompt) {
  console.type("sNOFILE.TXT\r");
  console.type_after_flush("k");
  EXPECT_EQ(run(), 1);
  expect_banner();
  EXPECT_EQ(console.row(8), MARK + " [S]plit or [G]lue :");
  EXPECT_EQ(console.row(9), "");
  EXPECT_EQ(console.row(10), MARK + " Filename to split, incl. extention :NOFILE.TXT");
  EXPECT_EQ(console.row(11), "");
  EXPECT_EQ(console.row(12), "File not found : NOFILE.TXT");
  EXPECT_EQ(console.row(13), "");
  EXPECT_EQ(console.row(14), "Press any key to end.");
  expect_rows_empty_after(14);
  EXPECT_EQ(listing(), "");
}

TEST_F(MainFlowTest, EmptyNameAtTheSplitPromptIsNotFound) {
  console.type("S\r");
  console.type_after_flush("k");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(console.row(12), "File not found :");
  EXPECT_EQ(console.row_cells(12).substr(0, 17), "File not found : ");
}

TEST_F(MainFlowTest, GluePromptLooksForAnyExtensionOfTheTypedName) {
  write_file("DATAX.1", "x");
  console.type("gDATA\r");
  console.type_after_flush("k");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(console.row(10), MARK + " Filename to glue, excl. extention :DATA");
  EXPECT_EQ(console.row(12), "File not found : DATA");
  EXPECT_EQ(console.row(14), "Press any key to end.");
}

TEST_F(MainFlowTest, HiddenAndDirectoryEntriesDoNotCount) {
  std::filesystem::create_directory("FOLDER.ZIP");
  console.type("sFOLDER.ZIP\r");
  console.type_after_flush("k");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(console.row(12), "File not found : FOLDER.ZIP");
}

TEST_F(MainFlowTest, DroppedNameThatDoesNotExistIsNeverCreated) {
  console.type("s");
  console.type_after_flush("k");
  EXPECT_EQ(run("GHOST.BIN"), 1);
  EXPECT_EQ(console.row(10), "File not found : GHOST.BIN");
  EXPECT_EQ(console.row(12), "Press any key to end.");
  EXPECT_EQ(listing(), "");

  console.type("g");
  console.type_after_flush("k");
  EXPECT_EQ(run("GHOST.BIN"), 1);
  EXPECT_EQ(console.row(17), "Now creating : GHOST");
  EXPECT_EQ(console.row(18), "File not found : GHOST.1");
  EXPECT_EQ(console.row(20), "Press any key to end.");
  EXPECT_EQ(listing(), "");
}

TEST_F(MainFlowTest, DroppedFirstPieceJoinsWithoutAMenu) {
  write_file("DATA.1", header("ZIP", 1) + "hello");
  EXPECT_EQ(run("DATA.1"), 0);
  expect_banner();
  for (int row = 7; row <= 16; ++row) EXPECT_EQ(console.row(row), "") << row;
  EXPECT_EQ(console.row(17), MARK + " Now adding : DATA.1");
  EXPECT_EQ(read_file("DATA.zip"), "hello");
}

TEST_F(MainFlowTest, DroppedPieceOfTheOldLayoutJoinsToo) {
  write_file("OLD.1", "Tranchor v2.0TXTold data");
  write_file("OLD.2", " and more");
  EXPECT_EQ(run("OLD.1"), 0);
  EXPECT_EQ(read_file("OLD.txt"), "old data and more");
}

TEST_F(MainFlowTest, DroppedFileIsSplitWithoutAskingForItsName) {
  write_file("DATA.ZIP", pattern(100));
  console.type("s50\r");
  EXPECT_EQ(run("DATA.ZIP"), 0);
  EXPECT_EQ(console.row_cells(8).substr(0, 22), MARK + " [S]plit or [G]lue : ");
  EXPECT_EQ(console.row(9), "");
  EXPECT_EQ(console.row(10), MARK + " Split file into pieces");
  EXPECT_EQ(console.row(11), MARK + " with a size of [bytes]:50");
  EXPECT_EQ(console.row(17), MARK + MARK + MARK + "DATA.3");
  EXPECT_EQ(console.row(18), "");
  EXPECT_EQ(listing(), "DATA.1 DATA.2 DATA.3 DATA.ZIP DATA.sha256");
}

TEST_F(MainFlowTest, DroppedFileGluesTheSetOfItsBaseName) {
  write_file("REPORT.1", header("PDF", 1) + "abc");
  write_file("REPORT.2", "def");
  write_file("REPORT.txt", "notes");
  console.type("G");
  EXPECT_EQ(run("REPORT.txt"), 0);
  EXPECT_EQ(console.row(17), MARK + MARK + " Now adding : REPORT.2");
  EXPECT_EQ(read_file("REPORT.pdf"), "abcdef");
}

TEST_F(MainFlowTest, QuotedDroppedNameIsUsedWithoutItsQuotes) {
  write_file("my file.zip", pattern(30));
  console.type("s100\r");
  EXPECT_EQ(run("\"my file.zip\""), 0);
  EXPECT_EQ(console.row(17), MARK + "my file.zip");
  EXPECT_TRUE(exists("my file.1"));
}

TEST_F(MainFlowTest, NoTailSplitRows) {
  write_file("DATA.ZIP", pattern(60));
  console.type("sDATA.ZIP\r13\r50\r");
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(console.row(8), MARK + " [S]plit or [G]lue :");
  EXPECT_EQ(console.row(10), MARK + " Filename to split, incl. extention :DATA.ZIP");
  EXPECT_EQ(console.row(11), "");
  EXPECT_EQ(console.row(12), MARK + " Split file into pieces");
  EXPECT_EQ(console.row(13), MARK + " with a size of [bytes]:13");
  EXPECT_EQ(console.row(14), MARK + " with a size of [bytes]:50");
  EXPECT_EQ(console.row(15), "");
  // Each progress line starts at row 17 without clearing: "DATA.2" leaves the P of "DATA.ZIP".
  EXPECT_EQ(console.row(17), MARK + MARK + "DATA.2P");
  EXPECT_EQ(console.row(18), "");
  EXPECT_EQ(console.cursor_row(), 18);
}

TEST_F(MainFlowTest, NoTailGlueRows) {
  write_file("DATA.1", header("ZIP", 1) + "12");
  write_file("DATA.2", "34");
  console.type("gDATA\r");
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(console.row(10), MARK + " Filename to glue, excl. extention :DATA");
  for (int row = 11; row <= 16; ++row) EXPECT_EQ(console.row(row), "") << row;
  EXPECT_EQ(console.row(17), MARK + MARK + " Now adding : DATA.2");
  EXPECT_EQ(console.row(18), "");
  EXPECT_EQ(read_file("DATA.zip"), "1234");
}

TEST_F(MainFlowTest, MenuKeysAreNotShownAndLowerCaseWorks) {
  write_file("A.B", "x");
  console.type("zZ ");
  console.press_key('s', 0x1F, LEFT_ALT_PRESSED);  // Alt+S is not S
  console.press_key(0, 72);
  console.type("s");
  console.type("100\r");
  EXPECT_EQ(run("A.B"), 0);
  EXPECT_EQ(console.row(8), MARK + " [S]plit or [G]lue :");
  EXPECT_EQ(console.row(10), MARK + " Split file into pieces");
}

}  // namespace
