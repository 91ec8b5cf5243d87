// The manifest beside every set: sha256sum's own format, the whole name back, every piece
// checked as it is glued, --check, and no other file's set or checksum file replaced.
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "fakes/app_scenario.h"

namespace {

const std::string MARK = "\xfe";

class ManifestTest : public AppScenario {
 protected:
  // Runs the arguments as a script does; err gets standard error.
  int script(const std::vector<std::string>& arguments) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int code = run_arguments(arguments);
    out = ::testing::internal::GetCapturedStdout();
    err = ::testing::internal::GetCapturedStderr();
    return code;
  }
  // Changes one byte of a file in place.
  static void flip_byte(const std::string& name, std::size_t at) {
    std::string bytes = read_file(name);
    bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
    write_file(name, bytes);
  }
  // Whether sha256sum, run in the scenario's folder, is content with the manifest.
  static bool sha256sum_checks(const std::string& manifest, bool ignore_missing) {
    const std::string command =
        "sha256sum -c --quiet " + std::string(ignore_missing ? "--ignore-missing " : "") + "'" + manifest + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
  std::string out, err;
};

// The manifest holds exactly what sha256sum writes for the file and its pieces; sha256sum -c
// checks the pieces before the glue and everything after it, and the glue gives the whole name
// back, whatever characters it holds.
TEST_F(ManifestTest, TheManifestIsSha256sumsAndTheWholeNameComesBack) {
  if (std::system("sha256sum --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no sha256sum here";
  struct Case {
    std::string file, base;
  };
  const Case cases[] = {
      {"report.docx", "report"},   {"archive.tar.gz", "archive"}, {"DSC0001.JPG", "DSC0001"},
      {"Movie.2019.1080p.mkv", "Movie"}, {".bashrc", ".bashrc"}, {"Привет мир.txt", "Привет мир"},
      {"a\\b.txt", "a\\b"},        {"line\nfeed.txt", "line\nfeed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    clear_directory();
    const std::string source = pattern(2500);
    write_file(c.file, source);
    ASSERT_EQ(script({"--split", "1000", "--", inside(c.file)}), 0) << err;
    const std::string manifest = c.base + ".sha256";
    std::string names = "'" + c.file + "'";
    for (int piece = 1; piece <= 3; ++piece) names += " '" + c.base + "." + std::to_string(piece) + "'";
    ASSERT_EQ(std::system(("sha256sum -- " + names + " > sums").c_str()), 0);
    EXPECT_EQ(read_file(manifest), read_file("sums"));
    std::filesystem::remove("sums");
    EXPECT_TRUE(sha256sum_checks(manifest, true));
    std::filesystem::remove(path_of(c.file));
    EXPECT_TRUE(sha256sum_checks(manifest, true));
    ASSERT_EQ(script({"--glue", "--", inside(c.base + ".1")}), 0) << err;
    EXPECT_TRUE(read_file(c.file) == source);
    EXPECT_TRUE(sha256sum_checks(manifest, false));
  }
}

// A piece that differs from its checksum stops the glue at that piece, on the screen and in a
// script: a flipped byte, a piece rewritten with other bytes of its size, a last piece cut short
// that still fits the count; a last piece that is gone is missing, as the manifest counts it.
TEST_F(ManifestTest, APieceThatDiffersFromItsChecksumStopsTheGlue) {
  struct Case {
    const char* what;
    std::function<void()> damage;
    std::vector<std::string> rows;  // from row 18 on
  };
  const Case cases[] = {
      {"a flipped byte", [] { flip_byte("DATA.2", 500); }, {"ERROR! Wrong checksum : DATA.2"}},
      {"a piece rewritten", [] { write_file("DATA.2", pattern(1000, 99)); }, {"ERROR! Wrong checksum : DATA.2"}},
      {"a cut last piece that fits", [] { write_file("DATA.3", read_file("DATA.3").substr(0, 501)); },
       {"ERROR! Wrong checksum : DATA.3"}},
      {"a piece before the last cut short", [] { write_file("DATA.2", read_file("DATA.2").substr(0, 999)); },
       {"ERROR! Incomplete file set!", "Wrong size : DATA.2"}},
      {"the last piece gone", [] { std::filesystem::remove("DATA.3"); },
       {"ERROR! Incomplete file set!", "File not found : DATA.3"}},
  };
  const std::string source = pattern(2500);
  for (const bool scripted : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (scripted ? ", scripted" : ""));
      clear_directory();
      write_file("DATA.ZIP", source);
      ASSERT_EQ(script({"--split", "1000", "DATA.ZIP"}), 0);
      std::filesystem::remove("DATA.ZIP");
      c.damage();
      const std::string before = listing();
      if (scripted) {
        EXPECT_EQ(script({"--glue", "DATA.1"}), 1);
        std::string line = c.rows.front();
        if (c.rows.size() > 1) line += " " + c.rows.back();
        EXPECT_EQ(err, "tranchor: " + line + "\n");
      } else {
        console.type_after_flush("k");
        EXPECT_EQ(run("DATA.1"), 1);
        expect_end_rows(18, c.rows);
      }
      EXPECT_EQ(listing(), before);  // nothing written, nothing left
    }
  }
}

// --check lists every missing and every damaged piece and writes nothing; without a manifest it
// checks the set's shape and says so.
TEST_F(ManifestTest, CheckListsEveryMissingAndDamagedPiece) {
  write_file("DATA.ZIP", pattern(5000));
  ASSERT_EQ(script({"--split", "1000", "DATA.ZIP"}), 0);
  EXPECT_EQ(script({"--check", "DATA"}), 0);
  EXPECT_EQ(err, "");
  std::filesystem::remove("DATA.2");
  flip_byte("DATA.4", 10);
  flip_byte("DATA.6", 10);
  const std::string before = listing();
  EXPECT_EQ(script({"--check", "DATA.1"}), 1);
  EXPECT_EQ(err,
            "tranchor: ERROR! Incomplete file set! File not found : DATA.2\n"
            "tranchor: ERROR! Wrong checksum : DATA.4\n"
            "tranchor: ERROR! Wrong checksum : DATA.6\n");
  EXPECT_EQ(listing(), before);
  std::filesystem::remove("DATA.sha256");
  EXPECT_EQ(script({"--check", "DATA"}), 1);
  EXPECT_EQ(err, "tranchor: ERROR! Incomplete file set! File not found : DATA.2\n");
  write_file("DATA.2", std::string(1000, 'x'));
  EXPECT_EQ(script({"--check", "DATA"}), 0);
  EXPECT_EQ(err, "tranchor: no manifest of the set (DATA.sha256): only the shape of the set was checked\n");
  // A manifest that lists fewer pieces than piece 1 counts: the check stops where the glue does.
  ASSERT_EQ(script({"--split", "1000", "DATA.ZIP"}), 0);
  const std::string manifest = read_file("DATA.sha256");
  write_file("DATA.sha256", manifest.substr(0, manifest.find('\n', manifest.find("DATA.3")) + 1));
  for (const char* command : {"--check", "--glue"}) {
    EXPECT_EQ(script({command, "DATA"}), 1) << command;
    EXPECT_EQ(err, "tranchor: ERROR! Incomplete file set! Wrong size : DATA.3\n") << command;
  }
}

// A manifest longer than the blocks it is read in (1,500 pieces) is read whole: a damaged piece
// near its end is found, and the same manifest cut inside a line is no manifest at all.
TEST_F(ManifestTest, AManifestOfManyPiecesIsReadToItsEnd) {
  write_file("DATA.ZIP", pattern(1500 * 100 - 18));
  ASSERT_EQ(script({"--split", "100", "DATA.ZIP"}), 0) << err;
  const std::string manifest = read_file("DATA.sha256");
  ASSERT_GT(manifest.size(), 64u * 1024 + 100);
  flip_byte("DATA.1499", 10);
  EXPECT_EQ(script({"--check", "DATA"}), 1);
  EXPECT_EQ(err, "tranchor: ERROR! Wrong checksum : DATA.1499\n");
  const std::size_t line_end = manifest.find('\n', 64 * 1024 + 10);
  for (const std::size_t cut : {line_end - 20, line_end}) {
    write_file("DATA.sha256", manifest.substr(0, cut));
    EXPECT_EQ(script({"--check", "DATA"}), 0);
    EXPECT_EQ(err, "tranchor: no manifest of the set (DATA.sha256): only the shape of the set was checked\n");
  }
}

// A split never replaces another file's set (by its manifest, or without one by its extension
// field) nor a checksum file of the user's own; the same file splits again over its own set.
// The glue leaves a user's file of the manifest's name alone and glues as without one.
TEST_F(ManifestTest, NoOtherFilesSetAndNoChecksumFileOfTheUsersIsReplaced) {
  write_file("report.pdf", pattern(3000, 1));
  write_file("report.docx", pattern(3000, 2));
  ASSERT_EQ(script({"--split", "1000", "report.pdf"}), 0);
  const std::string first_set = listing();
  EXPECT_EQ(script({"--split", "1000", "report.docx"}), 1);
  EXPECT_EQ(err, "tranchor: ERROR! Cannot write : report.1: the pieces of report.pdf are there\n");
  std::filesystem::remove("report.sha256");
  EXPECT_EQ(script({"--split", "1000", "report.docx"}), 1);
  EXPECT_EQ(err, "tranchor: ERROR! Cannot write : report.1: the pieces of report.pdf are there\n");
  EXPECT_EQ(script({"--split", "2000", "report.pdf"}), 0);  // the same file: its set is replaced

  write_file("report.sha256", "my own notes\n");
  EXPECT_EQ(script({"--split", "1000", "report.pdf"}), 1);
  EXPECT_EQ(err, "tranchor: ERROR! Cannot write : report.sha256: it is no manifest of this set\n");
  EXPECT_EQ(read_file("report.sha256"), "my own notes\n");
  std::filesystem::remove("report.pdf");
  EXPECT_EQ(script({"--glue", "report.1"}), 0);
  EXPECT_TRUE(read_file("report.pdf") == pattern(3000, 1));
  EXPECT_EQ(read_file("report.sha256"), "my own notes\n");
  (void)first_set;
}

// A manifest of the set whose whole name would put the file elsewhere, or name another set's
// file or one of the pieces, is refused, and nothing is written. Without a manifest an extension
// of digits is refused only when it names a piece of the set.
TEST_F(ManifestTest, AManifestNamesOnlyAFileOfItsSetBesideIt) {
  write_file("report.docx", pattern(2500));
  ASSERT_EQ(script({"--split", "1000", "report.docx"}), 0);
  std::filesystem::remove("report.docx");
  const std::string manifest = read_file("report.sha256");
  const std::string checksum = manifest.substr(0, 64);
  for (const std::string whole : {"../report.docx", "sub/report.docx", "other.docx", "report.2", "..", "report.\033[2J", "report"}) {
    SCOPED_TRACE(whole);
    write_file("report.sha256", checksum + "  " + whole + manifest.substr(manifest.find('\n')));
    const std::string before = listing();
    EXPECT_EQ(script({"--glue", "report"}), whole == "report" ? 0 : 1);
    if (whole == "report") {
      std::filesystem::remove("report");
      continue;
    }
    EXPECT_EQ(err, "tranchor: ERROR! Cannot read : report.sha256\n");
    EXPECT_EQ(listing(), before);
  }
  // Movie.201 from a set of 3 pieces is no piece of it; Movie.3 would be.
  clear_directory();
  write_file("Movie.201", pattern(2500));
  ASSERT_EQ(script({"--split", "1000", "Movie.201"}), 0);
  std::filesystem::remove("Movie.201");
  std::filesystem::remove("Movie.sha256");
  EXPECT_EQ(script({"--glue", "Movie"}), 0);
  EXPECT_TRUE(read_file("Movie.201") == pattern(2500));
}

}  // namespace
