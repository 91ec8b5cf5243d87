#include "platform/posix/name_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The matcher on its own, as FindFirstFileA reads patterns: letters without regard to case,
// "*" any run ("*" before a dot stops at the last dot), "?" one character or none at a dot or
// the end, a dot before a wildcard or at the end also the end.
TEST(NameRulesTest, PatternsMatchAsTheWindowsFileSystemReadsThem) {
  struct Case {
    std::string pattern, name;
    bool matches;
  };
  const Case cases[] = {
      {"DATA.1", "data.1", true},       {"DATA.1", "DATA.10", false},   {"data.*", "DATA", true},
      {"data.*", "data.zip", true},      {"data.*", "DATA.1", true},     {"data.*", "datax.1", false},
      {"data.*", "data.tar.gz", true},   {"*.*", "noext", true},         {"*.*", ".bashrc", true},
      {"*.", "noext", true},             {"*.", "a.txt", false},         {"*", "anything.at.all", true},
      {"*.txt", "a.txt", true},          {"*.txt", "a.txt.gz", false},   {"*.txt", "a.b.txt", true},
      {"a?.txt", "a.txt", true},         {"a?.txt", "ab.txt", true},     {"a?.txt", "abc.txt", false},
      {"?b*", "ab.txt", true},           {"?b*", "b.txt", false},        {"a??", "a", true},
      {"a??", "abcd", false},            {"\x84r", "\x8Er", true},       {"*.ZIP", "x.zip", true},
      {"a*b*c", "aXXbYYc", true},        {"a*b*c", "aXXcYYb", false},    {"", "", true},
      {"data.sha256", "DATA.SHA256", true}, {"DATA.1", "DATA.", false}, {"\x84r", "\x8E", false},
      {"ab", "abc", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(name_matches(name_pattern(c.pattern), c.name), c.matches) << c.pattern << " ~ " << c.name;
  }
  EXPECT_FALSE(has_wildcards("DATA.1"));
  EXPECT_TRUE(has_wildcards("DATA.*"));
  EXPECT_TRUE(has_wildcards("NAME."));
}

}  // namespace
