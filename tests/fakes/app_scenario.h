// Runs the whole tool on the virtual console over real files in a temporary directory of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fakes/runtime_fixture.h"
#include "fakes/scratch_folder.h"
#include "fakes/test_text.h"

class AppScenario : public RuntimeFixture {
 protected:
  AppScenario();
  ~AppScenario() override;

  // Runs the tool with this command-line tail on the keys queued so far; gives the exit code.
  // The arguments are the tail's words (as a shell splits a line without quotes).
  int run(const std::string& tail = "");
  // The same with the arguments given one by one (each may hold blanks); the tail is them joined.
  int run_arguments(const std::vector<std::string>& arguments);
  // Splits the file dropped on the tool: S, then the keys typed at the size prompt (each size
  // with its Enter); gives the exit code.
  int split_dropped(const std::string& name, const std::string& typed_sizes);
  // The rows a run that ends on a message leaves: the message's rows from first_row on, an empty
  // row, then the key prompt.
  void expect_end_rows(int first_row, const std::vector<std::string>& rows) const;

  // Files are written and read with the helpers of fakes/test_text.h; names are UTF-8 (on
  // POSIX: any bytes, as the file system holds them).
  // Names of the files in the directory, sorted.
  static std::string listing();
  // Empties the scenario's directory.
  void clear_directory() const;
  // The text of a name inside the program, as it comes from the command line or the keyboard.
  static std::string inside(const std::string& name);
  // Bytes 0..n-1 of a pattern that does not repeat within short distances.
  static std::string pattern(std::size_t length, unsigned seed = 1);
  // The 18-byte header of piece 1.
  static std::string header(const std::string& extension_field, int count);

  // The scenario's folder, entered for the test and removed with everything in it afterwards.
  ScratchFolder folder_{ScratchFolder::entered};
  const std::filesystem::path& directory = folder_.path();

 private:
  int run_command(const std::string& tail, const std::vector<std::string>& arguments);
};
