#include "platform/posix/exit_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

constexpr int SLOTS = 8;
constexpr std::size_t NUMBER_ROOM = 12;  // the digits of a number up to 2^31, and the zero byte

// One slot: a path, or a run of paths made of a start and the numbers first..last. The buffer
// has room behind the start for the digits, so that a handler can write each name into it.
struct Entry {
  char* buffer = nullptr;
  std::size_t start_length = 0;
  long first = -1;              // -1: the buffer holds one whole path
  std::atomic<long> last{-1};
};

std::atomic<Entry*> slots[SLOTS];

// The number a path ends in, when it has one with no leading zero; -1 else. start gets its length
// without the number.
long trailing_number(const std::string& path, std::size_t& start) {
  start = path.size();
  while (start > 0 && path[start - 1] >= '0' && path[start - 1] <= '9') --start;
  const std::size_t digits = path.size() - start;
  if (digits == 0 || digits > 9 || path[start] == '0') return -1;
  return std::stol(path.substr(start));
}

// Writes the number behind the start in the entry's buffer; async-signal-safe.
void write_number(Entry& entry, long number) {
  char digits[NUMBER_ROOM];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number > 0);
  char* at = entry.buffer + entry.start_length;
  while (count > 0) *at++ = digits[--count];
  *at = '\0';
}

void release(Entry* entry) {
  delete[] entry->buffer;
  delete entry;
}

bool extends(Entry& entry, const std::string& path, std::size_t start, long number) {
  return entry.first >= 0 && number == entry.last.load() + 1 && start == entry.start_length &&
         path.compare(0, start, entry.buffer, start) == 0;
}

}  // namespace

bool exit_cleanup_add(const std::string& path) {
  std::size_t start = 0;
  const long number = trailing_number(path, start);
  if (number >= 0) {
    for (std::atomic<Entry*>& slot : slots) {
      Entry* entry = slot.load();
      if (entry != nullptr && extends(*entry, path, start, number)) {
        entry->last.store(number);
        return true;
      }
    }
  }
  auto* entry = new Entry;
  entry->buffer = new char[path.size() + NUMBER_ROOM];
  std::memcpy(entry->buffer, path.c_str(), path.size() + 1);
  if (number >= 0) {
    entry->start_length = start;
    entry->first = number;
    entry->last.store(number);
  }
  for (std::atomic<Entry*>& slot : slots) {
    Entry* expected = nullptr;
    if (slot.compare_exchange_strong(expected, entry)) return true;
  }
  release(entry);
  return false;
}

void exit_cleanup_drop(const std::string& path) {
  std::size_t start = 0;
  const long number = trailing_number(path, start);
  for (std::atomic<Entry*>& slot : slots) {
    Entry* entry = slot.load();
    if (entry == nullptr) continue;
    bool emptied = entry->first < 0 && path == entry->buffer;
    if (entry->first >= 0 && number == entry->last.load() && start == entry->start_length &&
        path.compare(0, start, entry->buffer, start) == 0) {
      // The last of a run shortens it. One inside it stays listed: a handler's removal of a file
      // that is gone does no harm.
      entry->last.store(number - 1);
      emptied = number == entry->first;
    }
    // Taken out of the slot before it is freed, so a handler never reads freed memory.
    if (emptied && slot.compare_exchange_strong(entry, nullptr)) release(entry);
  }
}

void exit_cleanup_keep_all() {
  for (std::atomic<Entry*>& slot : slots) {
    Entry* entry = slot.exchange(nullptr);
    if (entry != nullptr) release(entry);
  }
}

void exit_cleanup_run() {
  // The paths stay registered: the process is about to end, and a second run removes nothing.
  for (std::atomic<Entry*>& slot : slots) {
    Entry* entry = slot.load();
    if (entry == nullptr) continue;
    if (entry->first < 0) {
      ::unlink(entry->buffer);
      continue;
    }
    const long last = entry->last.load();
    for (long number = entry->first; number <= last; ++number) {
      write_number(*entry, number);
      ::unlink(entry->buffer);
    }
  }
}

const int ENDING_SIGNALS[11] = {SIGTERM, SIGHUP,    SIGINT,  SIGQUIT, SIGUSR1, SIGUSR2,
                                SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGPIPE};

void exit_cleanup_hold_endings(bool held) {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal_number : ENDING_SIGNALS) sigaddset(&set, signal_number);
  sigprocmask(held ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}
