#include "fakes/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<ScratchFolder*>& live_folders() {
  static std::vector<ScratchFolder*> folders;
  return folders;
}

// "tranchor-" and the running test's name in characters every file system takes.
std::string folder_prefix() {
  std::string name = "tranchor-";
  if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
    name += std::string(test->test_suite_name()) + "." + test->name();
  }
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
  }
  return name;
}

// Gives the owner every right on the entry and, inside a folder, on everything below it, so
// that removing works whatever a test took away.
void make_removable(const fs::path& entry) {
  std::error_code ignored;
  if (fs::is_symlink(fs::symlink_status(entry, ignored))) return;
  fs::permissions(entry, fs::perms::owner_all, fs::perm_options::add, ignored);
  if (!fs::is_directory(entry, ignored)) return;
  for (const auto& inner : fs::directory_iterator(entry, ignored)) make_removable(inner.path());
}

}  // namespace

// Left only by a process that ended inside a test. A forked death-test child (the fast style)
// shares its parent's folders and must not remove them.
void remove_scratch_folders_left() {
  if (GTEST_FLAG_GET(death_test_style) != "threadsafe") return;
  while (!live_folders().empty()) live_folders().back()->remove();
}

ScratchFolder::ScratchFolder(Entry entry) {
  // The list first: made before the exit handler is registered, it is destroyed after it runs.
  static const bool cleanup_registered = (live_folders(), std::atexit(remove_scratch_folders_left) == 0);
  (void)cleanup_registered;
  std::random_device random;
  const std::string prefix = folder_prefix();
  do {
    path_ = fs::temp_directory_path() / (prefix + "-" + std::to_string(random()));
  } while (!fs::create_directory(path_));
  live_folders().push_back(this);
  if (entry == entered) {
    previous_ = fs::current_path();
    fs::current_path(path_);
  }
}

ScratchFolder::~ScratchFolder() { remove(); }

void ScratchFolder::remove() {
  std::error_code ignored;
  // A folder that is the current one cannot be removed on Windows.
  if (!previous_.empty()) fs::current_path(previous_, ignored);
  if (fs::equivalent(fs::current_path(ignored), path_, ignored)) {
    fs::current_path(fs::temp_directory_path(), ignored);
  }
  make_removable(path_);
  fs::remove_all(path_, ignored);
  auto& folders = live_folders();
  folders.erase(std::remove(folders.begin(), folders.end(), this), folders.end());
}

void ScratchFolder::clear() const {
  make_removable(path_);
  for (const auto& entry : fs::directory_iterator(path_)) fs::remove_all(entry.path());
}
