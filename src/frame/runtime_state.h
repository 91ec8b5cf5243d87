// The devices that every service works through: the console and the file system of this run,
// the real ones of the operating system or a test's.
#pragma once

class ConsoleDevice;
class FileSystem;

struct RuntimeState {
  ConsoleDevice* console_device = nullptr;
  FileSystem* file_system = nullptr;
};

extern RuntimeState rt_state;
