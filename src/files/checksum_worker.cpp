#include "files/checksum_worker.h"

#include <algorithm>
#include <cstring>

ChecksumWorker::ChecksumWorker(std::size_t streams) : stream_count_(std::min(streams, MAX_STREAMS)) {
  for (Buffer& buffer : buffers_) buffer.bytes.resize(BUFFER_SIZE);
  buffers_[0].streams = ~0u;
  for (std::size_t stream = 0; stream < stream_count_; ++stream) {
    streams_[stream].checksum = file_checksum_start();
    streams_[stream].thread = std::thread([this, stream] { run(stream); });
  }
}

ChecksumWorker::~ChecksumWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::size_t stream = 0; stream < stream_count_; ++stream) streams_[stream].thread.join();
}

void ChecksumWorker::hand_over() {
  std::unique_lock<std::mutex> lock(mutex_);
  Buffer& handed = buffers_[filling_];
  handed.pending = 0;
  for (std::size_t stream = 0; stream < stream_count_; ++stream) handed.pending |= 1u << stream;
  ++handed_;
  changed_.notify_all();
  // The next buffer to fill must be one every thread is done with.
  const std::size_t next = (filling_ + 1) % BUFFERS;
  changed_.wait(lock, [this, next] { return handed_ < BUFFERS || buffers_[next].pending == 0; });
  const unsigned streams = handed.streams;
  filling_ = next;
  buffers_[filling_].used = 0;
  buffers_[filling_].streams = streams;
  buffers_[filling_].finishes = 0;
}

void ChecksumWorker::add(const unsigned char* bytes, std::uint64_t count, unsigned streams) {
  // Bytes for other checksums start a buffer of their own.
  if (buffers_[filling_].streams != streams && buffers_[filling_].used > 0) hand_over();
  buffers_[filling_].streams = streams;
  while (count > 0) {
    Buffer& buffer = buffers_[filling_];
    const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(BUFFER_SIZE - buffer.used, count));
    std::memcpy(buffer.bytes.data() + buffer.used, bytes, part);
    buffer.used += part;
    bytes += part;
    count -= part;
    if (buffer.used == BUFFER_SIZE) hand_over();
  }
}

void ChecksumWorker::mark(std::size_t stream) {
  // The buffer ends at the mark: bytes added after it belong to the next checksum.
  buffers_[filling_].finishes |= 1u << stream;
  ++streams_[stream].marked;
  hand_over();
}

std::vector<Sha256Digest> ChecksumWorker::digests(std::size_t stream) {
  Stream& own = streams_[stream];
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&own] { return own.digests.size() == own.marked; });
  std::vector<Sha256Digest> taken;
  taken.swap(own.digests);
  own.marked = 0;
  return taken;
}

bool ChecksumWorker::complete() const {
  for (std::size_t stream = 0; stream < stream_count_; ++stream) {
    if (!streams_[stream].checksum.digest) return false;
  }
  return true;
}

TextValue ChecksumWorker::finish(std::size_t stream) {
  mark(stream);
  const std::vector<Sha256Digest> taken = digests(stream);
  return streams_[stream].checksum.digest ? file_digest_hex(taken.back()) : TextValue{};
}

void ChecksumWorker::run(std::size_t stream) {
  Stream& own = streams_[stream];
  const unsigned bit = 1u << stream;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return done_[stream] < handed_ || stopping_; });
    if (done_[stream] == handed_) return;
    Buffer& buffer = buffers_[own.next];
    lock.unlock();
    Sha256Digest digest{};
    if (own.checksum.digest && (buffer.streams & bit) != 0) own.checksum.digest->add(buffer.bytes.data(), buffer.used);
    if (own.checksum.digest && (buffer.finishes & bit) != 0) digest = own.checksum.digest->finish();
    lock.lock();
    if ((buffer.finishes & bit) != 0) own.digests.push_back(digest);
    buffer.pending &= ~bit;
    own.next = (own.next + 1) % BUFFERS;
    ++done_[stream];
    changed_.notify_all();
  }
}
