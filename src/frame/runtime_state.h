// The one record of the run-time that every service shares.
#pragma once

#include <string>

#include "console/console_state.h"
#include "files/file_state.h"
#include "frame/errors.h"

class ConsoleDevice;
class FileSystem;

struct RuntimeState {
  ConsoleDevice* console_device = nullptr;  // the console in use (real, or a test's virtual one)
  FileSystem* file_system = nullptr;        // the file system in use
  ConsoleState console;
  FilesState files;
  const char* command_tail = "";  // inside the process command line, behind the program name
  // What a run that ends on a message says when no console can show it (rt_set_ending_message).
  std::string ending_message;
  int ending_status = 1;
  ErrorFrame* error_frame = nullptr;  // the running routine's frame
};

extern RuntimeState rt_state;
