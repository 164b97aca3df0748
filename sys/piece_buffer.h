// The buffer a thread reads files into, piece by piece. Included by the file layers only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace sys {

/// The thread's read buffer, lent to one read at a time and kept for the next: a fresh,
/// zero-filled piece per file cost more than reading a file of a few KB. Its bytes are left
/// as the last read left them. A read begun while the thread's buffer is lent (from inside
/// another read's handler) gets one of its own.
class PieceBuffer {
 public:
  /// A buffer for reading a file of `fileSize` bytes (-1: not known) in pieces of at most
  /// `pieceSize`: as large as the file where that is smaller than a piece. A file that grows
  /// after its size was taken is still read to its end, in more pieces.
  PieceBuffer(std::size_t pieceSize, std::int64_t fileSize);
  ~PieceBuffer();
  PieceBuffer(const PieceBuffer&) = delete;
  PieceBuffer& operator=(const PieceBuffer&) = delete;

  char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  std::unique_ptr<char[]> own_;
  char* data_ = nullptr;
  std::size_t size_ = 0;
  bool lent_ = false;
};

}  // namespace sys
