#include "files/checksum.h"

#include "files/checksum_worker.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string hex_of(const std::string& data, std::size_t part = 0) {
  Checksum checksum = file_checksum_start();
  // Fed in parts of the given size (the whole at once for 0): the digest does not depend on them.
  const std::size_t step = part == 0 ? (data.empty() ? 1 : data.size()) : part;
  for (std::size_t at = 0; at < data.size(); at += step) {
    file_checksum_add(checksum, reinterpret_cast<const unsigned char*>(data.data()) + at, std::min(step, data.size() - at));
  }
  return std::string(txt_view(file_checksum_hex(checksum)));
}

// The standard's test vectors, whole and in parts, and a checksum that starts afresh.
TEST(ChecksumTest, StandardVectors) {
  struct Case {
    std::string data, hex;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hex_of(c.data), c.hex) << c.data.size();
    EXPECT_EQ(hex_of(c.data, 7), c.hex) << c.data.size();
  }
  Checksum checksum = file_checksum_start();
  file_checksum_add(checksum, reinterpret_cast<const unsigned char*>("abc"), 3);
  file_checksum_hex(checksum);
  EXPECT_EQ(std::string(txt_view(file_checksum_hex(checksum))), cases[0].hex);
}

// The threads give the digests one thread would: the whole stream's and each marked part's, for
// parts smaller and larger than a buffer, a part fed to one stream alone, and marks in a row.
TEST(ChecksumTest, WorkerGivesTheDigestsOfOneThread) {
  const std::string data = std::string(1500000, 'a') + "abc" + std::string(700000, 'z');
  const std::size_t marks[] = {3, 1000000, 1000000, 1500003, 2200003};
  ChecksumWorker worker(2);
  std::size_t at = 0;
  std::vector<std::string> parts;
  for (const std::size_t mark : marks) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data()) + at;
    // The second half of the last part goes to the whole file's stream alone.
    const std::size_t shared = mark == 2200003 ? (mark - at) / 2 : mark - at;
    worker.add(bytes, shared);
    worker.add(bytes + shared, mark - at - shared, 1u);
    if (mark != 2200003) worker.mark(1);
    parts.push_back(hex_of(data.substr(at, shared)));
    at = mark;
  }
  worker.mark(1);
  std::vector<std::string> made;
  for (const Sha256Digest& digest : worker.digests(1)) made.emplace_back(txt_view(file_digest_hex(digest)));
  EXPECT_TRUE(worker.complete());
  EXPECT_EQ(made, parts);
  EXPECT_EQ(std::string(txt_view(worker.finish(0))), hex_of(data));
  EXPECT_EQ(std::string(txt_view(worker.finish(1))), hex_of(""));
}

}  // namespace
