// A folder of the test's own under the system's temporary folder: made empty for the test,
// entered as the current folder when asked, and removed with everything in it (read-only files
// and folders included) when the helper goes.
//
//   ScratchFolder scratch{ScratchFolder::entered};  // the test now works inside it
//   write_file(scratch / "DATA.ZIP", "...");
//
// A death test's child that ends inside the test (its run calls exit()) never reaches the
// destructor: its folders go as the process exits. That holds for the threadsafe style, where the
// child is a process of its own; a child forked in the fast style leaves them to its parent.
#pragma once

#include <filesystem>

class ScratchFolder {
 public:
  enum Entry : bool { not_entered = false, entered = true };

  explicit ScratchFolder(Entry entry = not_entered);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }
  // Removes everything in the folder and keeps the folder.
  void clear() const;

 private:
  friend void remove_scratch_folders_left();
  void remove();

  std::filesystem::path path_;
  std::filesystem::path previous_;  // the current folder before it was entered; empty if never
};
