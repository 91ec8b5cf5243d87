#include "platform/posix/directory_names.h"

#include <sys/stat.h>

#include <vector>

#include "platform/posix/directory_scan.h"
#include "platform/posix/name_rules.h"
#include "platform/text_forms.h"

namespace {

// Above this many names a directory's hashes are not kept (their table would cost more memory
// than the program is allowed); such a directory is read for every lookup.
constexpr std::size_t MAX_KEPT_NAMES = 1 << 16;

// An open-addressing set of 32-bit hashes; 0 marks a free slot. A false "may hold" only costs
// one read of the directory.
class NameHashes {
 public:
  void clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    count_ = 0;
  }
  // False when the set would grow past its limit.
  bool insert(std::uint32_t hash) {
    if (count_ + 1 > MAX_KEPT_NAMES) return false;
    if ((count_ + 1) * 2 > slots_.size()) grow();
    if (place(slots_, nonzero(hash))) ++count_;
    return true;
  }
  bool may_hold(std::uint32_t hash) const {
    if (slots_.empty()) return false;
    const std::uint32_t wanted = nonzero(hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = wanted & mask;; at = (at + 1) & mask) {
      if (slots_[at] == wanted) return true;
      if (slots_[at] == 0) return false;
    }
  }

 private:
  static std::uint32_t nonzero(std::uint32_t hash) { return hash == 0 ? 1 : hash; }
  // True when the hash was not there yet.
  static bool place(std::vector<std::uint32_t>& slots, std::uint32_t hash) {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
      if (slots[at] == hash) return false;
      if (slots[at] == 0) {
        slots[at] = hash;
        return true;
      }
    }
  }
  void grow() {
    std::vector<std::uint32_t> bigger(slots_.empty() ? 256 : slots_.size() * 2, 0);
    for (std::uint32_t hash : slots_) {
      if (hash != 0) place(bigger, hash);
    }
    slots_.swap(bigger);
  }

  std::vector<std::uint32_t> slots_;
  std::size_t count_ = 0;
};

// The state of a directory as the kept names compare it.
struct DirectoryStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t modified_s = 0, modified_ns = 0;
  std::int64_t changed_s = 0, changed_ns = 0;
  bool known = false;
};

struct KeptNames {
  DirectoryStamp stamp;  // known only while the hashes are those of the directory
  NameHashes hashes;
  // The last lookup found the hashes current: a file made right after it may join them.
  bool just_checked = false;
};

KeptNames& kept() {
  static KeptNames names;
  return names;
}

long lookup_reads = 0;

bool same_state(const DirectoryStamp& left, const DirectoryStamp& right) {
  return left.known && right.known && left.device == right.device && left.inode == right.inode &&
         left.modified_s == right.modified_s && left.modified_ns == right.modified_ns &&
         left.changed_s == right.changed_s && left.changed_ns == right.changed_ns;
}

DirectoryStamp stamp_of(const std::string& directory) {
  DirectoryStamp stamp;
  struct stat info;
  if (::stat(directory.empty() ? "." : directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return stamp;
  stamp.device = static_cast<std::uint64_t>(info.st_dev);
  stamp.inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.modified_s = info.st_mtim.tv_sec;
  stamp.modified_ns = info.st_mtim.tv_nsec;
  stamp.changed_s = info.st_ctim.tv_sec;
  stamp.changed_ns = info.st_ctim.tv_nsec;
  stamp.known = true;
  return stamp;
}

}  // namespace

bool find_case_variant(const std::string& directory, std::string_view name, std::string& utf8) {
  KeptNames& names = kept();
  // Taken before the read: a change while it runs makes the kept names stale at once.
  const DirectoryStamp stamp = stamp_of(directory);
  if (same_state(names.stamp, stamp) && !names.hashes.may_hold(folded_name_hash(name))) {
    names.just_checked = true;
    return false;
  }

  ++lookup_reads;
  names.stamp = DirectoryStamp{};
  names.hashes.clear();
  names.just_checked = false;
  bool keeping = stamp.known;
  auto accept = [&](const std::string& entry) {
    if (keeping) keeping = names.hashes.insert(folded_name_hash(entry));
    return same_name(entry, name);
  };
  std::vector<DirectoryEntry> found;
  int error = 0;
  const bool read = scan_directory(directory, accept, found, error);
  if (read && keeping) {
    names.stamp = stamp;
    names.just_checked = true;
  } else {
    names.hashes.clear();
  }
  if (!read || found.empty()) return false;
  utf8 = found.front().utf8;
  return true;
}

void note_file_created(const std::string& path) {
  KeptNames& names = kept();
  if (!names.just_checked) return;
  names.just_checked = false;
  const std::size_t slash = path.find_last_of('/');
  const DirectoryStamp after = stamp_of(slash == std::string::npos ? "" : (slash == 0 ? "/" : path.substr(0, slash)));
  const std::string element = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!after.known || after.device != names.stamp.device || after.inode != names.stamp.inode ||
      !names.hashes.insert(folded_name_hash(text_from_utf8(element)))) {
    names.stamp = DirectoryStamp{};
    names.hashes.clear();
    return;
  }
  names.stamp = after;
}

long directory_reads_for_lookup() { return lookup_reads; }
