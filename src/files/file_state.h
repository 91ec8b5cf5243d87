// The state of the file services: the open channels, the directory search in progress and the
// spin flags that guard them.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/file_system.h"

struct FileChannel;

struct FilesState {
  FileChannel* channel_list = nullptr;  // newest first
  std::atomic<std::int32_t> channel_list_lock{0};
  std::atomic<std::int32_t> file_name_lock{0};
  FindHandle search_handle = nullptr;
  std::uint32_t search_mask = 0;
  FindData search_data;
};

extern FilesState file_state;
