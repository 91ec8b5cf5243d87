// Every name the file system can hold splits and glues back under the same name: characters that
// code page 437 lacks, bytes that are not UTF-8, long paths, dot files. Names here are UTF-8.
#include <string>
#include <vector>

#include "fakes/app_scenario.h"

namespace {

const std::string MARK = "\xfe";

class NamesTest : public AppScenario {
 protected:
  // The screen from the row on, as long as the text wanted: a long line wraps, and the end of a
  // longer progress line before it may still stand behind it.
  std::string shown(const std::string& wanted) {
    std::string rows;
    for (int row = 17; row <= 25; ++row) rows += console.row_cells(row);
    return rows.substr(0, wanted.size());
  }
  // Whether a message stands on the screen, wrapped over rows as it may be.
  bool on_screen(const std::string& message) {
    std::string rows;
    for (int row = 1; row <= 25; ++row) rows += console.row_cells(row);
    return rows.find(message) != std::string::npos;
  }

  struct Name {
    const char* what;
    std::string source;   // the file split
    std::string base;     // its pieces' names before the number
    std::string field;    // the extension field of piece 1, as text
    std::string rebuilt;  // the file the glue makes without the manifest (with it: the source's name)
  };

  // Splits the source into pieces of 50 bytes and glues them back, both dropped on the program
  // or both typed at its prompts; checks the pieces, the header, the screen and the file: under
  // the source's own name with the manifest, and by piece 1's extension field without it.
  void split_and_glue(const Name& name, bool typed) {
    SCOPED_TRACE(std::string(name.what) + (typed ? ", typed" : ", dropped"));
    const std::string data = pattern(120, static_cast<unsigned>(name.source.size()));
    write_file(name.source, data);
    if (typed) {
      console.type("s" + inside(name.source) + "\r50\r");
      ASSERT_EQ(run(), 0);
    } else {
      console.type("s50\r");
      ASSERT_EQ(run(inside(name.source)), 0);
    }
    const std::string split_line = MARK + MARK + MARK + inside(name.base + "3");
    EXPECT_EQ(shown(split_line), split_line);
    EXPECT_EQ(read_file(name.base + "1"), header(name.field, 3) + data.substr(0, 32));
    EXPECT_EQ(read_file(name.base + "3"), data.substr(82));
    std::filesystem::remove(path_of(name.source));
    const std::string manifest = name.base + "sha256";
    for (const std::string& rebuilt : {name.source, name.rebuilt}) {
      if (typed) {
        console.type("g" + inside(name.base.substr(0, name.base.size() - 1)) + "\r");
        ASSERT_EQ(run(), 0);
      } else {
        ASSERT_EQ(run(inside(name.base + "1")), 0);
      }
      const std::string glue_line = MARK + MARK + MARK + " Now adding : " + inside(name.base + "3");
      EXPECT_EQ(shown(glue_line), glue_line);
      EXPECT_TRUE(read_file(rebuilt) == data) << rebuilt;
      std::filesystem::remove(path_of(rebuilt));
      std::filesystem::remove(path_of(manifest));
    }
    for (const char* piece : {"1", "2", "3"}) std::filesystem::remove(path_of(name.base + piece));
  }
};

TEST_F(NamesTest, NamesOfAnyCharacterSplitAndGlueBackDroppedAndTyped) {
  std::filesystem::create_directory(path_of("Загрузки"));
  const Name names[] = {
      {"Cyrillic and a blank", "Привет мир.txt", "Привет мир.", "txt", "Привет мир.txt"},
      {"CJK", "日本語.pdf", "日本語.", "pdf", "日本語.pdf"},
      {"emoji", "🎉party.mp4", "🎉party.", "mp4", "🎉party.mp4"},
      {"a localized folder", "Загрузки/big.iso", "Загрузки/big.", "iso", "Загрузки/big.iso"},
      {"a picture of code page 437", "☺ and ⌂.txt", "☺ and ⌂.", "txt", "☺ and ⌂.txt"},
      {"code page 437 letters, as before", "ÉTÉ.TXT", "ÉTÉ.", "TXT", "ÉTÉ.txt"},
      {"a dot file", ".bashrc", ".bashrc.", "   ", ".bashrc"},
      // The field holds what fits whole: a Cyrillic letter and a blank, one CJK character, no
      // emoji at all. Letters that code page 437 lacks keep their case.
      {"a Cyrillic extension", "notes.ЖПГ", "notes.", inside("Ж") + " ", "notes.Ж"},
      {"a CJK extension", "file.日本", "file.", inside("日"), "file.日"},
      {"an emoji extension", "clip.🎉", "clip.", "   ", "clip"},
  };
  for (const Name& name : names) {
    split_and_glue(name, false);
    split_and_glue(name, true);
  }
}

TEST_F(NamesTest, NamesThatAreNotUtf8SplitAndGlueBack) {
  const Name names[] = {
      {"raw bytes", "raw\xff\xfe\x80name.dat", "raw\xff\xfe\x80name.", "dat", "raw\xff\xfe\x80name.dat"},
      {"Latin-1", "caf\xe9.txt", "caf\xe9.", "txt", "caf\xe9.txt"},
      {"a Latin-1 extension", "x.\xe9t\xe9", "x.", inside("\xe9") + "t", "x.\xe9t"},
  };
  for (const Name& name : names) split_and_glue(name, false);
}

TEST_F(NamesTest, ADotFilesFirstPieceGluesWhenDropped) {
  // Started on .bashrc.1 as "tranchor .bashrc.1": the set of .bashrc, never that of ".".
  write_file(".bashrc", "alias x=y\n");
  console.type("s100\r");
  ASSERT_EQ(run(".bashrc"), 0);
  std::filesystem::rename(".bashrc", "kept");
  ASSERT_EQ(run(".bashrc.1"), 0);
  EXPECT_EQ(console.row(17), MARK + " Now adding : .bashrc.1");
  EXPECT_EQ(read_file(".bashrc"), "alias x=y\n");
  EXPECT_EQ(listing(), ".bashrc .bashrc.1 .bashrc.sha256 kept");
}

TEST_F(NamesTest, LongPathsWorkAndANameBeyondTheLimitsIsRefusedNeverCut) {
  // A path of more than 300 bytes, as far as the system allows.
  const std::string deep = std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(100, 'c');
  std::filesystem::create_directories(path_of(deep));
  split_and_glue(Name{"a long path", deep + "/data.bin", deep + "/data.", "bin", deep + "/data.bin"}, false);
  for (std::size_t end = deep.size(); end != std::string::npos; end = deep.rfind('/', end - 1)) {
    std::filesystem::remove(path_of(deep.substr(0, end)));
  }

  // Piece 1 is written under its own name and ".tranchor-part" until the set is whole, which
  // for a 241-byte name is one byte too long for any file system (a name holds at most 255
  // bytes); a 239-byte name splits. A name that is too long is refused by its whole name, nothing
  // is written under a cut one, and nothing of the split is left.
  for (const std::size_t length : {239u, 241u}) {
    clear_directory();
    const std::string name(length, 'D');
    const std::string data = pattern(10 * 20);
    write_file(name, data);
    console.type("s20\r");
    console.type_after_flush("k");
    if (length == 239) {
      EXPECT_EQ(run(name), 0);
      EXPECT_EQ(read_file(name + ".11"), data.substr(182));
      continue;
    }
    EXPECT_EQ(run(name), 1);
    EXPECT_TRUE(on_screen("ERROR! Cannot write : " + name + ".1")) << console.screen();
    EXPECT_EQ(listing(), name);
  }
}

TEST_F(NamesTest, AGlueWhoseOutputNameIsTooLongLeavesTheExistingFileAlone) {
  // 251 bytes and ".txt": the output's own name just fits, but the file the glue builds beside
  // it does not (a name holds at most 255 bytes or units), so the glue cannot be made, and the
  // existing file of the output's name stays as it was.
  const std::string base(251, 'B');
  write_file(base + ".txt", "old");
  write_file(base + ".1", header("txt", 1) + "new");
  console.type_after_flush("k");
  EXPECT_EQ(run(base + ".1"), 1);
  const std::string message = "ERROR! Cannot write : " + base + ".txt";
  EXPECT_TRUE(on_screen(message)) << console.screen();
  EXPECT_EQ(read_file(base + ".txt"), "old");
  EXPECT_EQ(listing(), base + ".1 " + base + ".txt");
}

}  // namespace
