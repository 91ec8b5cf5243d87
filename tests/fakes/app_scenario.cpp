#include "fakes/app_scenario.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "app/main_flow.h"
#include "console/console_setup.h"
#include "platform/process.h"
#include "platform/text_forms.h"
#include "start/startup.h"

namespace {

// The directory of the scenario that is running. A death test's child ends inside the run,
// before the destructor: the directory goes when that process exits.
std::filesystem::path running_directory;

void remove_running_directory() {
  if (running_directory.empty()) return;
  std::error_code ignored;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
  std::filesystem::remove_all(running_directory, ignored);
}

}  // namespace

AppScenario::AppScenario() {
  static const bool cleanup_registered = std::atexit(remove_running_directory) == 0;
  (void)cleanup_registered;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::random_device random;
  directory = std::filesystem::temp_directory_path() /
              ("tranchor-app-" + std::string(info->name()) + "-" + std::to_string(random()));
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  running_directory = directory;
  previous_directory_ = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  rt_state.file_system = &process_file_system();
  console.set_no_input_when_empty(true);  // a key the test forgot fails the test instead of hanging
}

AppScenario::~AppScenario() {
  std::filesystem::current_path(previous_directory_);
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  running_directory.clear();
}

int AppScenario::run(const std::string& tail) {
  std::vector<std::string> words;
  for (std::size_t at = 0; at < tail.size();) {
    const std::size_t end = std::min(tail.find(' ', at), tail.size());
    if (end > at) words.push_back(tail.substr(at, end - at));
    at = end + 1;
  }
  return run_command(tail, words);
}

int AppScenario::run_arguments(const std::vector<std::string>& arguments) {
  std::string tail;
  for (const std::string& argument : arguments) tail += (tail.empty() ? "" : " ") + argument;
  return run_command(tail, arguments);
}

int AppScenario::run_command(const std::string& tail, const std::vector<std::string>& arguments) {
  // As the process's start does it: the command read once, reset, set-up for screens, the main
  // routine.
  std::vector<TextValue> words;
  for (const std::string& argument : arguments) words.push_back(txt_constant(argument));
  Command command = app_read_command_line(txt_constant(tail), words);
  rt_app_begin();
  if (app_needs_console(command)) con_setup();
  const int code = app_main(std::move(command));
  return rt_app_end(code);
}

int AppScenario::split_dropped(const std::string& name, const std::string& typed_sizes) {
  console.type("s" + typed_sizes);
  return run(name);
}

void AppScenario::expect_end_rows(int first_row, const std::vector<std::string>& rows) const {
  int row = first_row;
  for (const std::string& text : rows) EXPECT_EQ(console.row(row++), text) << console.screen();
  EXPECT_EQ(console.row(row++), "");
  EXPECT_EQ(console.row(row), "Press any key to end.");
}

void AppScenario::clear_directory() {
  for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove_all(entry);
}

std::filesystem::path AppScenario::path_of(const std::string& name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

void AppScenario::write_file(const std::string& name, const std::string& bytes) {
  std::ofstream out(path_of(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string AppScenario::read_file(const std::string& name) {
  std::ifstream in(path_of(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool AppScenario::exists(const std::string& name) { return std::filesystem::exists(path_of(name)); }

std::string AppScenario::inside(const std::string& name) { return text_from_utf8(name); }

std::string AppScenario::listing() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return text;
}

std::string AppScenario::pattern(std::size_t length, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(length, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string AppScenario::header(const std::string& extension_field, int count) {
  std::string bytes = "Tranchor v2.1" + extension_field;
  bytes += static_cast<char>(count & 0xFF);
  bytes += static_cast<char>((count >> 8) & 0xFF);
  return bytes;
}
