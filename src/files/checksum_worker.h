// Checksums made on threads of their own: the bytes are copied into a few buffers of fixed size,
// which one thread per checksum hashes while this one goes on moving data. For data of many
// megabytes, where hashing costs more than the copy. Several checksums of one stream of bytes
// (a whole file's and its pieces') share the buffers. The other threads touch the digests alone:
// no text is made and no error recorded there.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "files/checksum.h"
#include "text/text_value.h"

class ChecksumWorker {
 public:
  static constexpr std::size_t MAX_STREAMS = 2;

  explicit ChecksumWorker(std::size_t streams = 1);
  ~ChecksumWorker();
  ChecksumWorker(const ChecksumWorker&) = delete;
  ChecksumWorker& operator=(const ChecksumWorker&) = delete;

  // Adds bytes to the checksums of the streams in the mask (bit n: stream n); waits while every
  // buffer is full.
  void add(const unsigned char* bytes, std::uint64_t count, unsigned streams = ~0u);
  // The checksum of the stream so far is taken, once its thread gets there, and starts afresh.
  void mark(std::size_t stream = 0);
  // The digests taken of the stream since the last call, in order, once its thread has hashed
  // everything up to them. 32 bytes each: a set of many pieces keeps them small until the
  // manifest is written.
  std::vector<Sha256Digest> digests(std::size_t stream = 0);
  // False when the system could not make a checksum for every stream.
  bool complete() const;
  // The checksum of everything added to the stream since the start or its last mark.
  TextValue finish(std::size_t stream = 0);

 private:
  static constexpr std::size_t BUFFERS = 4;
  static constexpr std::size_t BUFFER_SIZE = 512 * 1024;

  struct Buffer {
    std::vector<unsigned char> bytes;
    std::size_t used = 0;
    unsigned streams = 0;      // the checksums these bytes belong to
    unsigned finishes = 0;     // the checksums whose digest is taken after these bytes
    unsigned pending = 0;      // the threads still to hash it
  };
  struct Stream {
    Checksum checksum;  // made here; only the stream's thread adds to it
    std::size_t next = 0;  // the next buffer the thread looks at
    std::size_t marked = 0;  // marks asked for since the last results
    std::vector<Sha256Digest> digests;  // taken at the marks, in order
    std::thread thread;
  };

  void hand_over();  // the filling buffer goes to the other threads
  void run(std::size_t stream);

  std::mutex mutex_;
  std::condition_variable changed_;
  Buffer buffers_[BUFFERS];
  std::size_t filling_ = 0;   // the buffer that add writes into
  std::size_t handed_ = 0;    // buffers handed over so far, in order
  std::size_t stream_count_;
  std::array<Stream, MAX_STREAMS> streams_;
  std::array<std::size_t, MAX_STREAMS> done_{};  // buffers each thread has passed
  bool stopping_ = false;
};
