// Reading files in pieces through the thread's one read buffer.
#include <gtest/gtest.h>

#include <string>

#include "sys/fs.h"
#include "test_support.h"

using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

std::string Bytes(std::size_t n, char seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i * 7 + i / 251);
  return s;
}

}  // namespace

// The buffer a read leaves is lent to the next: every file is handed whole and in order,
// in pieces no larger than asked, whether it is smaller or larger than the buffer kept, grows
// while it is read, or is read from inside another read's handler.
TEST(ReadFileInPieces, EveryFileWholeWhateverTheBufferTheReadBeforeLeft) {
  TempDir dir;
  const std::size_t piece = 1000;
  const struct {
    std::size_t size, pieceSize;
  } reads[] = {{0, piece}, {1, piece}, {piece - 1, piece}, {piece, piece}, {3 * piece + 5, piece},
               {20000, 64 * 1024}, {10, 64 * 1024}, {piece + 1, piece}, {5, 3}};
  char seed = 'a';
  for (const auto& r : reads) {
    const std::string path = dir / "file";
    const std::string bytes = Bytes(r.size, seed++);
    WriteFile(path, bytes);
    std::string got;
    bool tooLarge = false;
    ASSERT_TRUE(sys::ReadFileInPieces(path, r.pieceSize, [&](std::string_view p) {
      tooLarge = tooLarge || p.size() > r.pieceSize;
      got.append(p);
    }));
    EXPECT_EQ(got, bytes) << r.size << " bytes in pieces of " << r.pieceSize;
    EXPECT_FALSE(tooLarge) << r.size << " bytes in pieces of " << r.pieceSize;
  }

  // Grows after its size was taken: what was added after the first piece is read too.
  const std::string growing = dir / "growing";
  const std::string first = Bytes(3000, 'g'), more = Bytes(5000, 'm');
  WriteFile(growing, first);
  std::string got;
  ASSERT_TRUE(sys::ReadFileInPieces(growing, 64 * 1024, [&](std::string_view p) {
    if (got.empty()) sys::AppendFileDurably(growing, more);
    got.append(p);
  }));
  EXPECT_EQ(got, first + more);

  // A read inside another's handler: neither overwrites the piece the other holds.
  const std::string outer = Bytes(2500, 'o'), inner = Bytes(2500, 'i');
  WriteFile(dir / "outer", outer);
  WriteFile(dir / "inner", inner);
  std::string gotOuter, gotInner;
  ASSERT_TRUE(sys::ReadFileInPieces(dir / "outer", piece, [&](std::string_view p) {
    if (gotOuter.empty())
      sys::ReadFileInPieces(dir / "inner", piece, [&](std::string_view q) { gotInner.append(q); });
    gotOuter.append(p);
  }));
  EXPECT_EQ(gotOuter, outer);
  EXPECT_EQ(gotInner, inner);
}
