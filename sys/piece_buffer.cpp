#include "sys/piece_buffer.h"

#include <algorithm>

namespace sys {

namespace {

// Below this a file is read in one piece of its own size all the same: the buffer is not
// made again for every few bytes more.
constexpr std::size_t kSmallest = 4096;

struct ThreadBuffer {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
  bool lent = false;
};

thread_local ThreadBuffer t_buffer;

}  // namespace

PieceBuffer::PieceBuffer(std::size_t pieceSize, std::int64_t fileSize) {
  pieceSize = std::max<std::size_t>(pieceSize, 1);
  std::size_t want = pieceSize;
  if (fileSize >= 0 && static_cast<std::uint64_t>(fileSize) < pieceSize)
    want = std::min(pieceSize, std::max(static_cast<std::size_t>(fileSize), kSmallest));
  ThreadBuffer& t = t_buffer;
  if (t.lent) {
    own_.reset(new char[want]);  // new char[], not a string: nothing is zero-filled
    data_ = own_.get();
    size_ = want;
    return;
  }
  if (t.size < want) {
    // Grown at least twofold (up to a piece), so that files of rising sizes do not each cost
    // a new one. Only the bytes a read fills are ever touched.
    const std::size_t grown = std::max(want, std::min(2 * t.size, pieceSize));
    t.bytes.reset();
    t.bytes.reset(new char[grown]);
    t.size = grown;
  }
  t.lent = true;
  lent_ = true;
  data_ = t.bytes.get();
  size_ = want;
}

PieceBuffer::~PieceBuffer() {
  if (lent_) t_buffer.lent = false;
}

}  // namespace sys
