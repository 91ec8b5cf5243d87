#include "app/join.h"

#include <sys/stat.h>

#include <vector>

#include "app/piece_format.h"
#include "app/set_check.h"
#include "app/split.h"
#include "fakes/app_scenario.h"
#include "fakes/failing_file_system.h"

namespace {

const std::string MARK = "\xfe";

class JoinTest : public AppScenario {
 protected:
  // Joins through the glue prompt, as a user who types the base name.
  int glue(const std::string& base) {
    console.type("g" + base + "\r");
    return run();
  }
  // Splits the file as a user does, with the size typed.
  void split(const std::string& name, std::size_t size) {
    ASSERT_EQ(split_dropped(name, std::to_string(size) + "\r"), 0);
  }
  // The rows a refused glue leaves: the message from row 18 on, then the key prompt.
  void expect_end_rows(const std::vector<std::string>& rows) const { AppScenario::expect_end_rows(18, rows); }
};

// The manifest gives the whole name back; a set without one (an older set, or pieces sent
// without it) joins into the lower-cased extension field.
TEST_F(JoinTest, SetWrittenBySplitJoinsIntoItsWholeNameOrTheLowerCasedExtension) {
  const std::string source = pattern(100);
  write_file("DATA.ZIP", source);
  split("DATA.ZIP", 50);
  std::filesystem::rename("DATA.ZIP", "original");
  for (const char* output : {"DATA.ZIP", "DATA.zip"}) {
    EXPECT_EQ(glue("DATA"), 0);
    EXPECT_EQ(read_file(output), source) << output;
    EXPECT_EQ(console.row(17), MARK + MARK + MARK + " Now adding : DATA.3");
    EXPECT_TRUE(exists("DATA.1") && exists("DATA.2") && exists("DATA.3"));  // pieces stay
    std::filesystem::remove(output);
    std::filesystem::remove("DATA.sha256");
  }
}

// Every piece of a set is as long as piece 1 but the last, which is shorter: the glue takes the
// pieces up to the first shorter one, and refuses a set that does not have this shape.
TEST_F(JoinTest, SetShapeDecidesWhichPiecesAreGlued) {
  struct Case {
    const char* what;
    std::vector<std::string> pieces;  // DATA.1, DATA.2, ...; "-" for one that is missing
    std::string output;               // DATA.zip as glued, when the glue goes through
    std::vector<std::string> rows;    // else the rows from 18 on
  };
  // Piece 1 holds 18 header bytes and "ab": a full piece is 20 bytes long.
  const std::string h1 = header("ZIP", 1), h2 = header("ZIP", 2), h3 = header("ZIP", 3);
  const std::string full(20, 'f'), longer(21, 'l');
  const Case cases[] = {
      {"one piece, count 0", {header("ZIP", 0) + "abc"}, "abc", {}},
      {"one piece, count 1", {h1 + "abc"}, "abc", {}},
      {"header only", {header("ZIP", 0)}, "", {}},
      {"two pieces", {h1 + "ab", "c"}, "abc", {}},
      {"empty last piece", {h2 + "ab", full, ""}, "ab" + full, {}},
      {"pieces after the short one are not the set's", {h1 + "ab", "c", full, "f"}, "abc", {}},
      {"pieces after a gap are not the set's", {h2 + "ab", full, "c", "-", "dd"}, "ab" + full + "c", {}},
      {"count 2, pieces 1 to 3", {h2 + "ab", full, "e"}, "ab" + full + "e", {}},
      // The count bounds the last piece: (n - 1) * size + last, over the size, rounded half to even.
      {"a last piece cut short", {h3 + "ab", full, "eeeeeeeeee"}, "", {"ERROR! Incomplete file set!", "Wrong size : DATA.3"}},
      {"a last piece that still fits the count", {h3 + "ab", full, "eeeeeeeeeee"}, "ab" + full + "eeeeeeeeeee", {}},
      {"an emptied last piece", {h3 + "ab", full, ""}, "", {"ERROR! Incomplete file set!", "Wrong size : DATA.3"}},
      {"a count no split writes", {header("ZIP", -3) + "ab", full, "e"}, "", {"ERROR! Incomplete file set!", "Wrong size : DATA.3"}},
      {"count rounded down, last piece missing",
       {h2 + "ab", full, full, "-"}, "", {"ERROR! Incomplete file set!", "File not found : DATA.4"}},
      {"a full piece 2 and no piece 3", {h1 + "ab", full}, "", {"ERROR! Incomplete file set!", "File not found : DATA.3"}},
      {"a longer piece does not belong",
       {h3 + "ab", longer, "f"}, "", {"ERROR! Incomplete file set!", "Wrong size : DATA.2"}},
      {"the set ends before its count",
       {h3 + "ab", "c", "de"}, "", {"ERROR! Incomplete file set!", "Wrong size : DATA.2"}},
      {"a short piece inside the count",
       {header("ZIP", 4) + "ab", full, "c", full}, "", {"ERROR! Incomplete file set!", "Wrong size : DATA.3"}},
      {"the count is checked first",
       {h3 + "ab", longer, "-"}, "", {"ERROR! Incomplete file set!", "File not found : DATA.3"}},
      {"old layout, by shape", {"Tranchor v2.0ZIPab", std::string(18, 'o'), "e"}, "ab" + std::string(18, 'o') + "e", {}},
      {"old layout, longer piece",
       {"Tranchor v2.0ZIPab", std::string(19, 'o')}, "", {"ERROR! Incomplete file set!", "Wrong size : DATA.2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_directory();
    write_file("DATA.zip", "the old file");
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
      if (c.pieces[i] != "-") write_file("DATA." + std::to_string(i + 1), c.pieces[i]);
    }
    const std::string pieces_before = listing();
    if (!c.rows.empty()) console.type_after_flush("k");
    EXPECT_EQ(glue("DATA"), c.rows.empty() ? 0 : 1);
    if (c.rows.empty()) {
      EXPECT_EQ(read_file("DATA.zip"), c.output);
    } else {
      expect_end_rows(c.rows);
      EXPECT_EQ(read_file("DATA.zip"), "the old file");
      EXPECT_EQ(listing(), pieces_before);
    }
  }
}

// Sets as the split leaves them: an older, longer set under a newer one, and a set whose
// rounded count is one less than its pieces.
TEST_F(JoinTest, SplitSetsGlueBackOrAreRefusedWhole) {
  const std::string source = pattern(100000);
  write_file("data.bin", source);
  split("data.bin", 10000);
  split("data.bin", 30000);
  EXPECT_TRUE(exists("data.11"));  // left from the first split
  std::filesystem::rename("data.bin", "original");
  EXPECT_EQ(run("data.1"), 0);
  EXPECT_EQ(read_file("data.bin"), source);

  std::filesystem::remove("data.bin");
  std::filesystem::remove("data.4");  // the count says 3
  EXPECT_EQ(read_file("data.1").substr(16, 2), std::string("\3\0", 2));
  console.type_after_flush("k");
  EXPECT_EQ(run("data.1"), 1);
  expect_end_rows({"ERROR! Incomplete file set!", "File not found : data.4"});
  EXPECT_FALSE(exists("data.bin"));
}

TEST_F(JoinTest, OnlyARealPieceOneIsGlued) {
  struct Case {
    const char* what;
    std::string first_piece;
    std::string row;
  };
  const Case cases[] = {
      {"no signature", "Something elsEXEabc", "ERROR! Cannot read : X.1"},
      {"a current header cut short", "Tranchor v2.1EXE\1", "ERROR! Cannot read : X.1"},
      {"an old header cut short", "Tranchor v2.0EX", "ERROR! Cannot read : X.1"},
      {"no piece 1", "-", "File not found : X.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_directory();
    write_file("X.exe", "not to be touched");
    write_file("X.2", "Z");
    if (c.first_piece != "-") write_file("X.1", c.first_piece);
    console.type_after_flush("k");
    EXPECT_EQ(glue("X"), 1);
    EXPECT_EQ(console.row(17), "Now creating : X");
    expect_end_rows({c.row});
    EXPECT_EQ(read_file("X.exe"), "not to be touched");
  }
}

TEST_F(JoinTest, NameTypedWithItsExtensionFindsNoPieces) {
  write_file("DATA.1", header("ZIP", 1) + "x");
  console.type_after_flush("k");
  EXPECT_EQ(glue("DATA.ZIP"), 1);
  // The existence test looks for DATA.ZIP.*, which matches nothing.
  EXPECT_EQ(console.row(12), "File not found : DATA.ZIP");
}

TEST_F(JoinTest, BaseNameWithADotLooksForDoubleDots) {
  write_file("DATA.1", header("ZIP", 1) + "x");
  console.type_after_flush("k");
  EXPECT_EQ(app_join(txt_constant("DATA.ZIP")), 1);
  EXPECT_EQ(console.row(17), "Now creating : DATA.");
  expect_end_rows({"File not found : DATA..1"});
  EXPECT_EQ(listing(), "DATA.1");
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
  split("noext", 50);
  std::filesystem::rename("noext", "kept");
  EXPECT_EQ(run("noext.1"), 0);
  EXPECT_EQ(read_file("noext"), pattern(120));
}

TEST_F(JoinTest, UnusableExtensionFieldsAreRefusedBeforeAnythingIsWritten) {
  // Also a character cut short and a control character, whatever bytes they take inside.
  for (const std::string& field : std::vector<std::string>{"a/b", std::string("a\0b", 3), "x\ty", "*  ", "?  ",
                                                           inside("日").substr(0, 2) + " ", inside("\n")}) {
    SCOPED_TRACE(field);
    write_file("BAD.1", header(field, 1) + "data");
    console.type_after_flush("k");
    EXPECT_EQ(app_join(txt_constant("BAD")), 1);
    EXPECT_EQ(listing(), "BAD.1");
  }
}

TEST_F(JoinTest, OutputThatWouldBeOneOfThePiecesIsRefused) {
  write_file("SET.1", header("2  ", 1) + "one");
  write_file("SET.2", "tw");
  console.type_after_flush("k");
  EXPECT_EQ(app_join(txt_constant("SET")), 1);
  EXPECT_EQ(read_file("SET.2"), "tw");
  EXPECT_EQ(console.row(18), "ERROR! Cannot write : SET.2");
}

TEST_F(JoinTest, ExistingOutputIsReplacedWhole) {
  write_file("DATA.zip", std::string(1000, 'o'));
  write_file("DATA.1", header("ZIP", 1) + "new");
  EXPECT_EQ(glue("DATA"), 0);
  EXPECT_EQ(read_file("DATA.zip"), "new");
  EXPECT_EQ(listing(), "DATA.1 DATA.zip");
}

// The rebuilt file is the file of exactly its name, made under a name of the glue's own that
// nothing else held, and it gets piece 1's permission bits.
TEST_F(JoinTest, TheRebuiltFileIsTheGluesOwn) {
  write_file("notes.1", header("TXT", 1) + "mine");
  write_file("NOTES.TXT", "another file");
  write_file("target", "a file the link points at");
  std::filesystem::create_symlink("target", "notes.txt.tranchor-part");
  ::chmod("notes.1", 0640);
  const mode_t mask = ::umask(027);
  EXPECT_EQ(run("notes.1"), 0);
  ::umask(mask);
  EXPECT_EQ(read_file("notes.txt"), "mine");
  EXPECT_EQ(read_file("NOTES.TXT"), "another file");
  EXPECT_EQ(read_file("target"), "a file the link points at");
  EXPECT_TRUE(std::filesystem::is_symlink("notes.txt.tranchor-part"));
  EXPECT_EQ(listing(), "NOTES.TXT notes.1 notes.txt notes.txt.tranchor-part target");
  struct stat info {};
  ASSERT_EQ(::stat("notes.txt", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// A piece that changes between the check and the copy, or while it is copied, makes the glue
// stop: the temporary file goes, and the file of the output's name stays as it was.
TEST_F(JoinTest, PieceThatChangesWhileGluingIsAReadFailure) {
  struct Case {
    const char* what;
    FsCall when;
    const char* piece;  // whose open or read the change comes before
    std::function<void()> change;
  };
  const Case cases[] = {
      {"shorter before its turn", FsCall::create, "DATA.2", [] { std::filesystem::resize_file("DATA.2", 10); }},
      {"longer before its turn", FsCall::create, "DATA.3", [] { std::filesystem::resize_file("DATA.3", 30); }},
      {"gone before its turn", FsCall::create, "DATA.2", [] { std::filesystem::remove("DATA.2"); }},
      {"shorter while it is read", FsCall::read, "DATA.2", [] { std::filesystem::resize_file("DATA.2", 10); }},
      {"longer while it is read", FsCall::read, "DATA.2", [] { write_file("DATA.2", std::string(54, 'x')); }},
  };
  FailingFileSystem files;
  rt_state.file_system = &files;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_directory();
    write_file("DATA.ZIP", pattern(100));
    split("DATA.ZIP", 50);
    write_file("DATA.zip", "the old file");
    files.reset();
    files.run_before(c.when, c.piece, c.change);
    console.type_after_flush("k");
    EXPECT_EQ(run("DATA.1"), 1);
    expect_end_rows({std::string("ERROR! Cannot read : ") + c.piece});
    EXPECT_EQ(read_file("DATA.zip"), "the old file");
    EXPECT_FALSE(exists("DATA.zip.tranchor-part"));
  }
}

TEST_F(JoinTest, RoundTripsForManyLengthsAndSizes) {
  const std::size_t lengths[] = {0, 1, 31, 32, 33, 32750 - 18, 32750, 32751, 65500, 65518, 100000, 3 * 1024 * 1024 + 5};
  const std::uint32_t sizes[] = {19, 50, 32750, 32768, 65518, 1000000};
  int run_number = 0;
  for (std::size_t length : lengths) {
    for (std::uint32_t size : sizes) {
      if (!app_plan_split(length, size).fits || length / size > 300) continue;
      SCOPED_TRACE(std::to_string(length) + " in pieces of " + std::to_string(size));
      clear_directory();
      const std::string source = pattern(length, static_cast<unsigned>(++run_number));
      write_file("SRC.DAT", source);
      split("SRC.DAT", size);
      std::filesystem::remove("SRC.DAT");
      ASSERT_EQ(run("SRC.1"), 0);
      ASSERT_EQ(read_file("SRC.DAT"), source);
    }
  }
}

}  // namespace
