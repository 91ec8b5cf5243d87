#include "files/dir_search.h"

#include <cstdlib>
#include <set>

#include "files/file_state.h"
#include "files/files_fixture.h"

namespace {

using DirSearchTest = FilesTest;

TEST_F(DirSearchTest, AnExactNameGivesTheNameAsStored) {
  write_file("Report.TXT", "r");
  EXPECT_EQ(search("Report.TXT"), "Report.TXT");
  EXPECT_EQ(search("report.txt"), "Report.TXT");
  EXPECT_FALSE(pending());
}

TEST_F(DirSearchTest, AMissingNameGivesNothingAndClearsAPendingError) {
  rt_raise_error(ERR_BAD_CHANNEL);
  EXPECT_EQ(search("nothing"), "");
  EXPECT_EQ(frame.error_word, 0);
  rt_raise_error(ERR_BAD_CHANNEL);
  EXPECT_EQ(search("nodir/nothing"), "");
  EXPECT_EQ(frame.error_word, 0);
}

TEST_F(DirSearchTest, TheMaskDecidesWhichKindsBesidesPlainFilesAreGiven) {
  write_file("r1", "read-only");
  std::filesystem::permissions("r1", std::filesystem::perms::owner_read);
  std::filesystem::create_directory("d1");
  ASSERT_EQ(std::system("mkfifo f1"), 0);
  EXPECT_EQ(all("*1"), (Names{"r1"}));
  EXPECT_EQ(all("*1", ATTR_DIRECTORY), (Names{"d1", "r1"}));
  EXPECT_EQ(all("*1", ATTR_SYSTEM), (Names{"f1", "r1"}));
  EXPECT_EQ(all("*1", ATTR_SYSTEM | ATTR_DIRECTORY | ATTR_HIDDEN | 0x01), (Names{"d1", "f1", "r1"}));
  EXPECT_EQ(search("d1"), "");
}

TEST_F(DirSearchTest, AnEntryWithSeveralKindsNeedsThemAllInTheMask) {
  for (const char* name : {"hidden.1", "hidsys.1", "label.1", "plain.1"}) write_file(name, "");
  files.report_attributes_of("hidden", FS_ATTRIBUTE_HIDDEN | FS_ATTRIBUTE_ARCHIVE);
  files.report_attributes_of("hidsys", FS_ATTRIBUTE_HIDDEN | FS_ATTRIBUTE_SYSTEM);
  files.report_attributes_of("label", FS_ATTRIBUTE_VOLUME);
  EXPECT_EQ(all("*.1"), (Names{"label.1", "plain.1"}));  // a volume bit alone excludes nothing
  EXPECT_EQ(all("*.1", ATTR_HIDDEN), (Names{"hidden.1", "label.1", "plain.1"}));
  EXPECT_EQ(all("*.1", ATTR_SYSTEM), (Names{"label.1", "plain.1"}));
  EXPECT_EQ(all("*.1", ATTR_HIDDEN | ATTR_SYSTEM), (Names{"hidden.1", "hidsys.1", "label.1", "plain.1"}));
  // A volume-label search gives labels only, and does not go on.
  EXPECT_EQ(search("*.1", ATTR_VOLUME | ATTR_HIDDEN), "label.1");
  EXPECT_EQ(search("", ATTR_VOLUME), "");
  EXPECT_EQ(file_state.search_mask, ATTR_VOLUME);
}

TEST_F(DirSearchTest, DotEntriesAreNeverGiven) {
  std::filesystem::create_directory("sub");
  EXPECT_EQ(all("*", ATTR_DIRECTORY), (Names{"sub"}));
  EXPECT_EQ(all("*.*", ATTR_DIRECTORY), (Names{"sub"}));
}

TEST_F(DirSearchTest, ThreeMatchesComeOneACallThenNothing) {
  for (const char* name : {"p.1", "p.2", "p.3"}) write_file(name, "");
  std::set<std::string> names{search("p.*")};
  for (int call = 2; call <= 3; ++call) names.insert(search(""));
  EXPECT_EQ(names, (std::set<std::string>{"p.1", "p.2", "p.3"}));
  EXPECT_EQ(search(""), "");
  EXPECT_EQ(search(""), "");
}

TEST_F(DirSearchTest, AnEmptyPatternWithNoSearchGivesNothing) {
  EXPECT_EQ(search(""), "");
  EXPECT_EQ(files.calls(FsCall::find_next), 0);
}

TEST_F(DirSearchTest, ANameFollowedByDotStarMatchesAnyExtensionOrNone) {
  for (const char* name : {"DATA.1", "DATA.zip", "DATA", "data.tar.gz", "DATAX.1", "XDATA.1", "DAT.1"}) {
    write_file(name, "");
  }
  EXPECT_EQ(all("DATA.*"), (Names{"DATA", "DATA.1", "DATA.zip", "data.tar.gz"}));
  EXPECT_EQ(all("DATA.1"), (Names{"DATA.1"}));
  EXPECT_EQ(all("*."), (Names{"DATA"}));
}

TEST_F(DirSearchTest, WildcardsFollowTheFileSystemsRule) {
  for (const char* name : {"a.txt", "ab.txt", "abc.txt", "b.doc", "noext"}) write_file(name, "");
  EXPECT_EQ(all("*.txt"), (Names{"a.txt", "ab.txt", "abc.txt"}));
  EXPECT_EQ(all("a?.txt"), (Names{"a.txt", "ab.txt"}));  // "?" may match nothing before a dot
  EXPECT_EQ(all("?b*"), (Names{"ab.txt", "abc.txt"}));
  EXPECT_EQ(all("*.*").size(), 5u);
  EXPECT_EQ(all("*").size(), 5u);
}

TEST_F(DirSearchTest, APatternMayCarryADirectoryPart) {
  std::filesystem::create_directories("dir/sub");
  write_file("dir/sub/DATA.1", "");
  write_file("dir/sub/other", "");
  EXPECT_EQ(search("dir/sub/DATA.*"), "DATA.1");
  EXPECT_EQ(search("DIR/Sub/data.1"), "DATA.1");
  // A directory path ending in its separator searches everything there.
  EXPECT_EQ(all("dir/sub/"), (Names{"DATA.1", "other"}));
  EXPECT_EQ(search("dir/"), "");  // only a directory there
}

TEST_F(DirSearchTest, ANewSearchEndsTheOldOne) {
  for (const char* name : {"p.1", "p.2", "q"}) write_file(name, "");
  EXPECT_FALSE(search("p.*").empty());
  EXPECT_EQ(search("q"), "q");
  EXPECT_EQ(search(""), "");
  EXPECT_EQ(files.calls(FsCall::find_close), 1);
}

TEST_F(DirSearchTest, AnExactNameGoesOnWithNamesThatDifferOnlyInCase) {
  for (const char* name : {"Ab", "AB", "Abc"}) write_file(name, "");
  EXPECT_EQ(search("Ab"), "Ab");
  EXPECT_EQ(search(""), "AB");
  EXPECT_EQ(search(""), "");
}

TEST_F(DirSearchTest, APatternIsUsedWholeHoweverLong) {
  write_file("f1", "");
  // Cut after 256 bytes, the pattern would be "f" and 255 stars; whole, its tail matches nothing.
  EXPECT_EQ(search("f" + std::string(255, '*') + "zzz"), "");
}

TEST_F(DirSearchTest, AZeroByteInAPatternMatchesNothing) {
  write_file("ab", "");
  EXPECT_EQ(search(std::string("ab\0cd", 5)), "");
}

TEST_F(DirSearchTest, AVolumeLabelSearchFindsNoneHereAndDoesNotGoOn) {
  write_file("x", "");
  std::filesystem::create_directory("dx");
  EXPECT_EQ(search("*", ATTR_VOLUME | ATTR_DIRECTORY), "");
  EXPECT_EQ(search("", ATTR_VOLUME), "");
}

TEST_F(DirSearchTest, NamesAreTextBytesOfCodePage437) {
  write_file("\xC3\xA9t\xC3\xA9.txt", "");  // "été" as the file system stores it
  // 0x82 is é and 0x90 É in code page 437.
  EXPECT_EQ(search("\x90T\x90.TXT"), "\x82t\x82.txt");
  open_binary(1, "\x82T\x82.txt");
  file_close(1);
  EXPECT_EQ(names_in().size(), 1u);
}

TEST_F(DirSearchTest, AResultThatCannotBeAllocatedRaises7) {
  write_file("here", "");
  txt_fail_allocations_after(1);  // the pattern's copy in the test succeeds
  const TextValue pattern = text("here");
  const TextValue got = dir_search(pattern, 0);
  txt_fail_allocations_after(-1);
  EXPECT_EQ(bytes(got), "");
  EXPECT_EQ(error(), ERR_OUT_OF_MEMORY);
}

}  // namespace
