// A fixture for the file services: a fresh temporary directory as the current directory, the
// failing file system (passing everything through until told otherwise) in the run-time record,
// and a fresh error frame. Afterwards every channel is closed, the search ended, the directory
// removed and the previous state given back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "fakes/failing_file_system.h"
#include "files/channel_table.h"
#include "files/channels.h"
#include "files/file_state.h"
#include "frame/errors.h"
#include "frame/runtime_state.h"
#include "text/text_value.h"

class FilesTest : public ::testing::Test {
 protected:
  FilesTest() {
    saved_cwd_ = std::filesystem::current_path();
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    do {
      dir_ = base / ("tranchor-files-" + std::to_string(seed()));
    } while (!std::filesystem::create_directory(dir_));
    std::filesystem::current_path(dir_);
    saved_file_system_ = rt_state.file_system;
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
    std::filesystem::current_path(saved_cwd_);
    std::error_code ignored;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir_, ignored);
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

  static TextValue text(std::string_view bytes) { return txt_constant(bytes); }
  static std::string str(const TextValue& value) { return std::string(txt_view(value)); }

  static void write_file(const std::filesystem::path& name, std::string_view bytes) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
  }
  static std::string read_file(const std::filesystem::path& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  static bool exists(const std::filesystem::path& name) { return std::filesystem::exists(name); }

  // Opens with the application's request and expects success.
  void open_binary(ChannelNumber channel, std::string_view name) {
    file_open(channel, text(name), BINARY_REQUEST);
    ASSERT_EQ(rt_last_error(), 0) << "opening " << name;
    ASSERT_NE(file_lookup_channel(channel), nullptr);
  }

  ErrorNumber error() const { return rt_last_error(); }
  bool pending() const { return (frame.error_word & ERROR_PENDING) != 0; }
  void clear_error() { frame.error_word = 0; }

  FailingFileSystem files;
  ErrorFrame frame;
  std::filesystem::path dir_;

 private:
  std::filesystem::path saved_cwd_;
  FileSystem* saved_file_system_ = nullptr;
  ErrorFrame* saved_frame_ = nullptr;
  std::int64_t live_texts_ = 0;
};
