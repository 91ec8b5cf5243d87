#include "fakes/app_scenario.h"

#include <algorithm>
#include <random>
#include <vector>

#include "app/main_flow.h"
#include "console/console_setup.h"
#include "platform/process.h"
#include "platform/text_forms.h"
#include "start/startup.h"

AppScenario::AppScenario() {
  rt_state.file_system = &process_file_system();
  console.set_no_input_when_empty(true);  // a key the test forgot fails the test instead of hanging
}

AppScenario::~AppScenario() = default;

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

void AppScenario::clear_directory() const { folder_.clear(); }

std::string AppScenario::inside(const std::string& name) { return text_from_utf8(name); }

std::string AppScenario::listing() {
  std::string text;
  for (const std::string& name : names_in(".")) text += (text.empty() ? "" : " ") + name;
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
