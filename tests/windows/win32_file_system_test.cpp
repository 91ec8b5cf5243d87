// What the Windows file system answers of its own, in a scratch folder (the contract that
// every system keeps is tested in tests/files/file_system_contract_test.cpp): names with "\" and
// "/", "NAME.*" patterns, a held file under any spelling, names of any character, read-only
// files.
#include "platform/file_system.h"

#include "files/dir_search.h"
#include "files/files_fixture.h"
#include "files/transfer.h"
#include "platform/process.h"
#include "platform/text_forms.h"

namespace {

using Win32FileSystemTest = FilesTest;

TEST_F(Win32FileSystemTest, BothSlashesSeparateDirectories) {
  std::filesystem::create_directories("sub/deeper");
  open_binary(1, "sub\\deeper/piece.1");
  file_write_text(1, text("data"));
  file_close(1);
  EXPECT_EQ(read_file("sub/deeper/piece.1"), "data");
  EXPECT_EQ(search("sub/deeper\\PIECE.1"), "piece.1");
  // A pattern that ends in a separator searches the directory for every name.
  EXPECT_EQ(search("sub\\deeper\\"), "piece.1");
}

TEST_F(Win32FileSystemTest, ANameFollowedByDotStarFindsEveryPieceOfASet) {
  for (const char* name : {"DATA", "DATA.1", "DATA.2", "DATA.zip", "DATAX.1", "XDATA.1"}) {
    write_file(name, "x");
  }
  EXPECT_EQ(all("DATA.*"), (Names{"DATA", "DATA.1", "DATA.2", "DATA.zip"}));
  EXPECT_EQ(all("data.2"), (Names{"DATA.2"}));  // as the file system stores it
  EXPECT_EQ(all("DATA.3"), Names{});
  EXPECT_EQ(error(), 0);
}

TEST_F(Win32FileSystemTest, AHeldFileCannotBeOpenedAgainUnderAnySpelling) {
  write_file("held", "data");
  open_binary(1, "held");
  for (const char* spelling : {"held", "HELD", ".\\held"}) {
    clear_error();
    file_open(2, text(spelling), BINARY_REQUEST);
    EXPECT_EQ(error(), ERR_PERMISSION_DENIED) << spelling;
    EXPECT_EQ(file_lookup_channel(2), nullptr) << spelling;
  }
  file_close(1);
  EXPECT_EQ(read_file("held"), "data");
}

TEST_F(Win32FileSystemTest, NamesOfAnyCharacterAndLongPathsReachTheFileSystemExactly) {
  // The text of each name opens the file of exactly that UTF-16 name, and a search gives the
  // same text back; a path far beyond 260 characters works too.
  const std::u16string long_directory = u"d" + std::u16string(150, u'\u0436');
  const std::u16string names[] = {u"\u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440.txt", u"\u65e5\u672c\u8a9e.pdf",
                                  u"\U0001F389party.mp4", u"caf\u00e9.txt", u"\u263a.txt",
                                  long_directory + u"\\" + long_directory + u"\\f.x"};
  std::filesystem::create_directories(std::filesystem::path(long_directory) / long_directory);
  for (const std::u16string& name : names) {
    const std::string name_text = text_from_utf16(name);
    open_binary(1, name_text);
    file_write_text(1, text("x"));
    file_close(1);
    EXPECT_EQ(error(), 0);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(name))) << name_text;
    const std::u16string own = std::filesystem::path(name).filename().u16string();
    EXPECT_EQ(search(name_text), text_from_utf16(own));
  }
}

TEST_F(Win32FileSystemTest, ReadOnlyFilesOpenForReadingAfterTheRetry) {
  write_file("locked", "abc");
  std::filesystem::permissions("locked", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  open_binary(1, "locked");
  if ((file_lookup_channel(1)->access & ACCESS_WRITE) != 0) {
    // Wine lets root write to a read-only file, as the file system below it does.
    file_close(1);
    GTEST_SKIP() << "the read-only attribute does not stop this user's writes";
  }
  EXPECT_EQ(bytes(file_read_bytes(1, 3)), "abc");
  file_write_text(1, text("z"));
  EXPECT_EQ(error(), ERR_ACCESS_ERROR);
  file_close(1);
}

}  // namespace
