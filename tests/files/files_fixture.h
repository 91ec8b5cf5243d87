// A fixture for the file services: a scratch folder as the current folder, the failing file
// system (passing everything through until told otherwise) in the run-time record, and a fresh
// error frame. Afterwards every channel is closed, the search ended, the folder removed and the
// previous state given back.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "fakes/failing_file_system.h"
#include "fakes/scratch_folder.h"
#include "fakes/test_text.h"
#include "files/channel_table.h"
#include "files/channels.h"
#include "files/dir_search.h"
#include "files/file_state.h"
#include "frame/errors.h"
#include "frame/runtime_state.h"

class FilesTest : public ::testing::Test {
 protected:
  FilesTest() : saved_file_system_(rt_state.file_system) {
    rt_state.file_system = &files;
    reset_files_state();
    saved_frame_ = rt_enter_frame(&frame);
    live_texts_ = txt_live_count();
  }
  ~FilesTest() override {
    reset_files_state();
    EXPECT_EQ(txt_live_count(), live_texts_) << "a text value was left behind";
    rt_enter_frame(saved_frame_);
    rt_state.file_system = saved_file_system_;
  }

  // Closes every channel and ends the search, through the file system in use.
  static void reset_files_state() {
    FilesState& state = file_state;
    while (state.channel_list != nullptr) file_close(state.channel_list->number);
    if (state.search_handle != nullptr) rt_state.file_system->find_close(state.search_handle);
    state.search_handle = nullptr;
    state.search_mask = 0;
    state.search_data = FindData{};
  }

  // Opens with the application's request and expects success.
  void open_binary(ChannelNumber channel, std::string_view name) {
    file_open(channel, text(name), BINARY_REQUEST);
    ASSERT_EQ(rt_last_error(), 0) << "opening " << name;
    ASSERT_NE(file_lookup_channel(channel), nullptr);
  }

  // The name that a search with the pattern gives next (the empty pattern goes on with the last).
  static std::string search(std::string_view pattern, std::uint32_t mask = 0) {
    return bytes(dir_search(text(pattern), mask));
  }
  // Every name that a search with the pattern and its continuations give.
  using Names = std::multiset<std::string>;
  static Names all(std::string_view pattern, std::uint32_t mask = 0) {
    Names names;
    for (std::string name = search(pattern, mask); !name.empty(); name = search("", mask)) {
      names.insert(name);
      if (names.size() > 100) break;
    }
    return names;
  }

  ErrorNumber error() const { return rt_last_error(); }
  bool pending() const { return (frame.error_word & ERROR_PENDING) != 0; }
  void clear_error() { frame.error_word = 0; }

  ScratchFolder folder{ScratchFolder::entered};
  FailingFileSystem files;
  ErrorFrame frame;

 private:
  FileSystem* saved_file_system_;
  ErrorFrame* saved_frame_ = nullptr;
  std::int64_t live_texts_ = 0;
};
