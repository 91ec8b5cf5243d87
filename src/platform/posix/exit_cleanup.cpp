#include "platform/posix/exit_cleanup.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

constexpr int SLOTS = 4;
std::atomic<char*> slots[SLOTS];

}  // namespace

bool exit_cleanup_add(const std::string& path) {
  for (std::atomic<char*>& slot : slots) {
    if (slot.load() != nullptr) continue;
    char* copy = new char[path.size() + 1];
    std::memcpy(copy, path.c_str(), path.size() + 1);
    char* expected = nullptr;
    if (slot.compare_exchange_strong(expected, copy)) return true;
    delete[] copy;
  }
  return false;
}

void exit_cleanup_drop(const std::string& path) {
  for (std::atomic<char*>& slot : slots) {
    char* held = slot.load();
    if (held == nullptr || path != held) continue;
    // Taken out of the slot before it is freed, so a handler never reads freed memory.
    if (slot.compare_exchange_strong(held, nullptr)) delete[] held;
  }
}

void exit_cleanup_run() {
  // The paths stay registered: the process is about to end, and a second run removes nothing.
  for (std::atomic<char*>& slot : slots) {
    const char* held = slot.load();
    if (held != nullptr) ::unlink(held);
  }
}
