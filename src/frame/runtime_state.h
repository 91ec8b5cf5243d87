// The devices that every service works through: the console, the file system and the clock of
// this run, the real ones of the operating system or a test's.
#pragma once

class Clock;
class ConsoleDevice;
class FileSystem;

struct RuntimeState {
  ConsoleDevice* console_device = nullptr;
  FileSystem* file_system = nullptr;
  Clock* clock = nullptr;
};

extern RuntimeState rt_state;
