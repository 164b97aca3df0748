#include "datafiles/record.h"

#include <charconv>
#include <cstdio>
#include <initializer_list>

#include "model/catalogue.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

constexpr std::size_t kPiece = 64 * 1024;
// A fingerprint reads a whole data file, up to a gigabyte and more, and is bound by copying
// it out of the system's cache: 1 MiB pieces took a quarter less time over a 1 GiB file than
// 64 KiB ones (0.11 s against 0.15 s, on Linux and under Wine); larger ones gained nothing.
constexpr std::size_t kFingerprintPiece = 1024 * 1024;

std::string RecordPath(const std::string& databaseFolder) {
  return databaseFolder + "\\" + kRecordFileName;
}

std::string Hex(std::uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(v));
  return buf;
}

template <typename T>
bool ParseNumber(std::string_view s, T& out, int base) {
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out, base);
  return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

}  // namespace

std::optional<Fingerprint> FingerprintOf(const std::string& path) {
  Fingerprint f;
  const bool ok = sys::ReadFileInPieces(path, kFingerprintPiece, [&](std::string_view piece) {
    f.crc = Crc32c(f.crc, piece);
    f.size += static_cast<std::int64_t>(piece.size());
  });
  if (!ok) return std::nullopt;
  return f;
}

std::future<std::optional<Fingerprint>> FingerprintLater(const std::string& path, std::int64_t size) {
  const auto policy = size >= kFingerprintAsideFrom ? std::launch::async : std::launch::deferred;
  return std::async(policy, [path] { return FingerprintOf(path); });
}

std::string RecordKey(const FileCatalogue& catalogue, int index, const std::string& suffix) {
  // Built step by step: MinGW's -Wrestrict misfires on const char* + std::string.
  std::string key = InWorkFolder(index) ? "QMVWORK\\" : "";
  key += DataFileName(catalogue, index, suffix);
  return text::Upper(key);
}

// The record's lines, fields separated by a tab, each ended by a line end:
//   F <digits> <key> <about> <size> <crc32c of the file> <check>  a data file's fingerprint before a call
//   T <digits> <key> <about> <check>                             the file is as before any conversion in
//                                                                 this direction: a new history begins
//   A <digits> <key> <about> <size> <crc32c> <check>              the file as a call that finished left it
//   X <digits> <key> <about> <why> <check>                       the last call on the file did not finish
//   S <digits> <about> <1|0> <check>                             the label tool was swapped (1), back (0)
// <check> is the CRC-32C of the text before it, so that a damaged line is known as damaged;
// <about> is the CRC-32C of the fields before it and their tab, so that a line damaged after
// them still says whose it is. A line a crash tore (its line end never written) is closed by the next
// append with kTornMark and the length of the torn text: it is torn because it says so, and
// no flipped bit can make a line say so (the mark is in no other line, the length binds it
// to its own text). The letters that begin the lines differ in two bits at least, so that no
// flipped bit turns one kind of line into another. Read as well, as the versions before wrote them: the same lines without
// <about>, "<digits> <key> <size> <crc>" without a check, and a torn line closed by a bare
// line end: a line that is the beginning of a line of some version, cut short, is torn (a
// flipped bit keeps a line's length, so it never leaves a whole line cut short). A CR before
// a line end (a copy in text mode) is no part of the line, nor is a tail of NULs (a power cut).
namespace {

constexpr char kTornMark = '\x01';  // in no other line: names hold no control characters
constexpr std::size_t kMaxLine = 4096;

std::vector<std::string_view> Fields(std::string_view l) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto tab = l.find('\t');
    fields.push_back(l.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    l.remove_prefix(tab + 1);
  }
}

bool IsDigits(std::string_view d) { return d == "13" || d == "10"; }

// Eight lower-case hex digits, as written: an upper-case one is a flipped bit.
bool ParseCheck(std::string_view s, std::uint32_t& v) {
  return s.size() == 8 && s.find_first_not_of("0123456789abcdef") == std::string_view::npos && ParseNumber(s, v, 16);
}

bool ParseFingerprint(std::string_view size, std::string_view crc, Fingerprint& f) {
  return ParseNumber(size, f.size, 10) && ParseCheck(crc, f.crc);
}

std::string KeyOf(std::string_view digits, std::string_view key) {
  return std::string(digits) + "\t" + std::string(key);
}

std::string Joined(std::initializer_list<std::string_view> fields) {
  std::string line;
  for (std::string_view f : fields) {
    if (!line.empty()) line += '\t';
    line += f;
  }
  return line;
}

// Fields joined by tabs, then their check.
std::string Checked(std::initializer_list<std::string_view> fields) {
  std::string line = Joined(fields);
  const std::uint32_t check = Crc32c(0, line);
  line += '\t';
  line += Hex(check);
  return line;
}

// The check of the fields that say whose a line is, and of the tab after them: so that these
// fields and their check never read as a whole line of the version before.
std::string About(std::initializer_list<std::string_view> fields) {
  return Hex(Crc32c(0, Joined(fields) + '\t'));
}

// Whether field n of a line is the check of the text before it (f views into l); of the
// text and the tab before it when `tab`.
bool CheckedBy(std::string_view l, const std::vector<std::string_view>& f, std::size_t n, bool tab = false) {
  std::uint32_t check = 0;
  if (n == 0 || n >= f.size() || !ParseCheck(f[n], check)) return false;
  return Crc32c(0, l.substr(0, static_cast<std::size_t>(f[n].data() - l.data()) - (tab ? 0 : 1))) == check;
}

struct Line {
  enum Kind { kWhole, kTorn, kDamaged } kind = kDamaged;
  char type = 0;       // 'F', 'T', 'A', 'X', 'S'; of a damaged line only when it still says whose it is
  std::string digits;  // all
  std::string key;     // F, T, A, U
  Fingerprint fingerprint;  // F, A
  std::string why;          // X
  bool swapped = false;
};

Line TornLine() {
  Line l;
  l.kind = Line::kTorn;
  return l;
}

bool IsHex(std::string_view s) { return s.find_first_not_of("0123456789abcdef") == std::string_view::npos; }
bool IsDecimal(std::string_view s) { return s.find_first_not_of("0123456789") == std::string_view::npos; }
bool IsWhy(std::string_view s) {
  return !s.empty() && s.size() <= 16 && s.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789=-") == std::string_view::npos;
}

// The fields of each kind of line, of every version, for telling a line cut short.
enum class Field { kType, kDigits, kKey, kHex, kSize, kSwap, kWhy };
struct Shape {
  char type;  // 0: the first version's line, without a type
  std::vector<Field> fields;
};
const std::vector<Shape>& Shapes() {
  using F = Field;
  static const std::vector<Shape> shapes = {
      {'F', {F::kType, F::kDigits, F::kKey, F::kHex, F::kSize, F::kHex, F::kHex}},
      {'A', {F::kType, F::kDigits, F::kKey, F::kHex, F::kSize, F::kHex, F::kHex}},
      {'T', {F::kType, F::kDigits, F::kKey, F::kHex, F::kHex}},
      {'X', {F::kType, F::kDigits, F::kKey, F::kHex, F::kWhy, F::kHex}},
      {'S', {F::kType, F::kDigits, F::kHex, F::kSwap, F::kHex}},
      {'F', {F::kType, F::kDigits, F::kKey, F::kSize, F::kHex, F::kHex}},
      {'T', {F::kType, F::kDigits, F::kKey, F::kHex}},
      {'S', {F::kType, F::kDigits, F::kSwap, F::kHex}},
      {0, {F::kDigits, F::kKey, F::kSize, F::kHex}},
  };
  return shapes;
}

// Whether a field holds what its place asks, whole (or, `cut`, the beginning of it).
bool FieldFits(Field kind, char type, std::string_view f, bool cut) {
  switch (kind) {
    case Field::kType:
      return f.size() == 1 ? f[0] == type : cut && f.empty();
    case Field::kDigits:
      return IsDigits(f) || (cut && (f.empty() || f == "1"));
    case Field::kKey:
      // An upper-cased name below the database folder: no control character in it.
      for (unsigned char c : f)
        if (c < 0x20 || c == 0x7f || (c >= 'a' && c <= 'z')) return false;
      return cut || !f.empty();
    case Field::kHex:
      return IsHex(f) && (f.size() == 8 || (cut && f.size() < 8));
    case Field::kSize:
      return IsDecimal(f) && f.size() <= 19 && (cut || !f.empty());
    case Field::kSwap:
      return f == "0" || f == "1" || (cut && f.empty());
    case Field::kWhy:
      return IsWhy(f) || (cut && (f.empty() || IsWhy(f)));
  }
  return false;
}

// Whether the fields are a line of some version, whole in form (its check aside), or the
// beginning of one, cut short.
bool FitsShape(const std::vector<std::string_view>& f, bool cut) {
  for (const Shape& shape : Shapes()) {
    const std::size_t n = shape.fields.size();
    if (cut ? f.size() > n : f.size() != n) continue;
    bool fits = true;
    for (std::size_t i = 0; i < f.size() && fits; ++i) {
      const bool last = i + 1 == f.size();
      // A line cut short ends before its last field is whole.
      const bool shortened = cut && last && (f.size() < n || shape.fields[i] != Field::kHex || f[i].size() < 8);
      fits = FieldFits(shape.fields[i], shape.type, f[i], shortened);
      if (cut && last && f.size() == n && !shortened) fits = false;
    }
    if (fits) return true;
  }
  return false;
}

// A line torn while an earlier version wrote it, and closed by a bare line end: it is the
// beginning of a line, cut short, and not a line whole in form. A flipped bit never makes a
// whole line shorter, nor one of its fields not whole.
bool CutShort(std::string_view l) {
  if (l.empty() || l.find_first_not_of('\0') == std::string_view::npos) return true;
  const std::vector<std::string_view> f = Fields(l);
  return FitsShape(f, true) && !FitsShape(f, false);
}

Line Read(std::string_view l) {
  Line r;
  if (const auto mark = l.rfind(kTornMark); mark != std::string_view::npos) {
    const std::string_view length = l.substr(mark + 1);
    std::size_t n = 0;
    if (ParseNumber(length, n, 10) && length[0] != '0' && n == mark) r.kind = Line::kTorn;
    return r;
  }
  const std::vector<std::string_view> f = Fields(l);
  const std::string_view type = f[0];
  const std::size_t n = f.size();
  const bool checked = CheckedBy(l, f, n - 1);
  auto take = [&](char t, std::string_view digits, std::string_view key) {
    r.type = t;
    r.digits = digits;
    r.key = key;
  };
  if (type == "F" && n >= 6 && IsDigits(f[1]) && !f[2].empty()) {
    // Whose the line is, when the check of its first fields holds.
    if (n == 7 && CheckedBy(l, f, 3, true)) take('F', f[1], f[2]);
    if (checked && (n == 7 ? r.type == 'F' : n == 6) && ParseFingerprint(f[n - 3], f[n - 2], r.fingerprint)) {
      take('F', f[1], f[2]);
      r.kind = Line::kWhole;
    }
  } else if (type == "T" && n >= 4 && IsDigits(f[1]) && !f[2].empty()) {
    if (n == 5 && CheckedBy(l, f, 3, true)) take('T', f[1], f[2]);
    if (checked && (n == 5 ? r.type == 'T' : n == 4)) {
      take('T', f[1], f[2]);
      r.kind = Line::kWhole;
    }
  } else if ((type == "A" && n == 7) && IsDigits(f[1]) && !f[2].empty()) {
    if (CheckedBy(l, f, 3, true)) take('A', f[1], f[2]);
    if (checked && r.type == 'A' && ParseFingerprint(f[4], f[5], r.fingerprint)) r.kind = Line::kWhole;
  } else if ((type == "X" && n == 6) && IsDigits(f[1]) && !f[2].empty()) {
    if (CheckedBy(l, f, 3, true)) take('X', f[1], f[2]);
    if (checked && r.type == 'X' && IsWhy(f[4])) {
      r.why = f[4];
      r.kind = Line::kWhole;
    }
  } else if (type == "S" && n >= 4 && IsDigits(f[1])) {
    if (n == 5 && CheckedBy(l, f, 2, true)) take('S', f[1], {});
    const std::string_view value = f[n - 2];
    if (checked && (n == 5 ? r.type == 'S' : n == 4) && (value == "1" || value == "0")) {
      take('S', f[1], {});
      r.swapped = value == "1";
      r.kind = Line::kWhole;
    }
  } else if (n == 4 && IsDigits(type) && !f[1].empty() && ParseFingerprint(f[2], f[3], r.fingerprint)) {
    take('F', f[0], f[1]);  // a line without a check, of the version before
    r.kind = Line::kWhole;
  }
  if (r.kind == Line::kDamaged && CutShort(l)) return TornLine();
  return r;
}

constexpr std::size_t kTail = 32;  // enough for a torn line's closing mark and length

// A line longer than any line of the record: torn, when its closing says so or it is all
// NULs (a power cut); else damaged, whose it is unknown. `head` and `tail` hold its first
// and last bytes.
Line LongLine(std::string_view tail, std::size_t length, bool allNul) {
  if (allNul) return TornLine();
  const auto mark = tail.rfind(kTornMark);
  if (mark == std::string_view::npos) return Line{};
  const std::string_view digits = tail.substr(mark + 1);
  std::size_t n = 0;
  const std::size_t at = length - (tail.size() - mark);  // the mark's place in the line
  if (ParseNumber(digits, n, 10) && digits[0] != '0' && n == at) return TornLine();
  return Line{};
}

// Whether a last line without its line end begins with a whole line whose line end was
// damaged (what follows it, if anything, was torn), rather than being torn itself: a line
// torn while it was written never holds a whole line, but where its closing was torn too.
bool WholeButItsLineEnd(std::string_view l, std::size_t size) {
  if (size != l.size()) return false;
  for (std::size_t end = 10; end < l.size(); ++end) {
    if (l[end - 9] == '\t' && l[end] != kTornMark && Read(l.substr(0, end)).kind == Line::kWhole) return true;
  }
  return false;
}

bool Append(const std::string& databaseFolder, const std::string& line, std::string* why = nullptr) {
  const std::string path = RecordPath(databaseFolder);
  // A line torn by an earlier crash is closed first, so that it cannot swallow this one, and
  // closed as torn, so that it is not read as a damaged one.
  std::string last;
  std::size_t lastSize = 0;
  sys::ReadOwnFile(path, kPiece, [&](std::string_view piece) {
    if (const auto nl = piece.rfind('\n'); nl != std::string_view::npos) {
      last.clear();
      lastSize = 0;
      piece.remove_prefix(nl + 1);
    }
    lastSize += piece.size();
    if (last.size() <= kMaxLine) last.append(piece.substr(0, kMaxLine + 1 - last.size()));
  });
  std::string closing;
  if (lastSize > 0)
    closing = WholeButItsLineEnd(last, lastSize) ? std::string("\n") : kTornMark + std::to_string(lastSize) + "\n";
  return sys::AppendFileDurably(path, closing + line + "\n", why);
}

}  // namespace

FileRecord FileRecord::Load(const std::string& databaseFolder) {
  FileRecord record;
  auto take = [&record](const Line& l) {
    const long at = ++record.lines_;
    if (l.kind == Line::kTorn) return;
    const std::string key = KeyOf(l.digits, l.key);
    if (l.kind == Line::kDamaged) {
      ++record.damagedLines_;
      if (l.type == 'F' || l.type == 'T') {
        record.damaged_[key] = true;
      } else if (l.type == 'A' || l.type == 'X') {
        // What the last call left is not known; the history before it is.
        record.after_.erase(key);
        record.unfinished_.erase(key);
      } else if (l.type == 'S') {
        record.labelToolDamaged_[l.digits] = true;
      } else {
        record.unknownDamageAt_ = at;
      }
      return;
    }
    switch (l.type) {
      case 'F':
        record.entries_[key].push_back(l.fingerprint);
        record.after_.erase(key);
        record.unfinished_.erase(key);
        break;
      case 'T':
        record.entries_.erase(key);
        record.damaged_.erase(key);
        record.restoredAt_[key] = at;
        record.after_.erase(key);
        record.unfinished_.erase(key);
        break;
      case 'A':
        record.after_[key] = l.fingerprint;
        record.unfinished_.erase(key);
        break;
      case 'X':
        record.unfinished_[key] = l.why;
        record.after_.erase(key);
        break;
      default:
        record.swapped_[l.digits] = l.swapped;
        record.labelToolDamaged_.erase(l.digits);
        record.labelToolAt_[l.digits] = at;
        break;
    }
  };
  std::string line;  // its first kMaxLine bytes
  std::string tail;  // its last kTail bytes, once it is longer
  std::size_t length = 0;
  bool allNul = true;
  auto ended = [&]() {
    // A CR before the line end came with a copy in text mode: it is no part of the line.
    if (length > 0 && (length <= kMaxLine ? line.back() : tail.back()) == '\r') {
      if (length <= kMaxLine) line.pop_back();
      else tail.pop_back();
      --length;
    }
    take(length <= kMaxLine ? Read(line) : LongLine(tail, length, allNul));
    line.clear();
    tail.clear();
    length = 0;
    allNul = true;
  };
  sys::ReadOwnFile(RecordPath(databaseFolder), kPiece, [&](std::string_view piece) {
    for (char c : piece) {
      if (c == '\n') {
        ended();
        continue;
      }
      ++length;
      allNul = allNul && c == '\0';
      if (line.size() < kMaxLine) line += c;
      tail += c;
      if (tail.size() > 2 * kTail) tail.erase(0, tail.size() - kTail);
    }
  });
  if (tail.size() > kTail) tail.erase(0, tail.size() - kTail);
  // A last line without its line end was torn by a crash while it was written: passed over,
  // unless it is a whole line whose line end was damaged.
  if (length <= kMaxLine && WholeButItsLineEnd(line, line.size())) take(Read(line));
  return record;
}

std::optional<Fingerprint> FileRecord::Find(const std::string& digits, const std::string& key) const {
  auto it = entries_.find(KeyOf(digits, key));
  if (it == entries_.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

std::optional<Fingerprint> FileRecord::Earliest(const std::string& digits, const std::string& key) const {
  auto it = entries_.find(KeyOf(digits, key));
  if (it == entries_.end() || it->second.empty()) return std::nullopt;
  return it->second.front();
}

bool FileRecord::Damaged(const std::string& digits, const std::string& key) const {
  const std::string k = KeyOf(digits, key);
  const auto restored = restoredAt_.find(k);
  return damaged_.count(k) > 0 || unknownDamageAt_ > (restored == restoredAt_.end() ? 0 : restored->second);
}

bool FileRecord::LabelToolDamaged(const std::string& digits) const {
  const auto swap = labelToolAt_.find(digits);
  return labelToolDamaged_.count(digits) > 0 || unknownDamageAt_ > (swap == labelToolAt_.end() ? 0 : swap->second);
}

std::optional<std::string> FileRecord::OtherOwner(const std::string& digits, const std::string& key,
                                                   const Fingerprint& print) const {
  const auto dot = key.rfind('.');
  const std::string stem = digits + "\t" + key.substr(0, dot == std::string::npos ? key.size() : dot + 1);
  for (auto it = entries_.lower_bound(stem); it != entries_.end() && it->first.compare(0, stem.size(), stem) == 0; ++it) {
    if (it->first == KeyOf(digits, key) || it->second.empty() || it->second.back() != print) continue;
    return it->first.substr(digits.size() + 1);
  }
  return std::nullopt;
}

bool FileRecord::Knows(const std::string& digits, const std::string& key) const {
  const std::string k = KeyOf(digits, key);
  return entries_.count(k) > 0 || restoredAt_.count(k) > 0;
}

bool FileRecord::LabelToolKnown(const std::string& digits) const {
  return !swapped_.empty() && !LabelToolDamaged(digits);
}

std::optional<Fingerprint> FileRecord::After(const std::string& digits, const std::string& key) const {
  auto it = after_.find(KeyOf(digits, key));
  if (it == after_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> FileRecord::Unfinished(const std::string& digits, const std::string& key) const {
  auto it = unfinished_.find(KeyOf(digits, key));
  if (it == unfinished_.end()) return std::nullopt;
  return it->second;
}

bool FileRecord::LabelToolSwapped(const std::string& digits) const {
  auto it = swapped_.find(digits);
  return it != swapped_.end() && it->second;
}

bool AppendRecord(const std::string& databaseFolder, const std::string& digits,
                  const std::string& key, const Fingerprint& fingerprint, std::string* why) {
  const std::string about = About({"F", digits, key});
  return Append(databaseFolder,
                Checked({"F", digits, key, about, std::to_string(fingerprint.size), Hex(fingerprint.crc)}), why);
}

bool AppendRestored(const std::string& databaseFolder, const std::string& digits, const std::string& key,
                    std::string* why) {
  const std::string about = About({"T", digits, key});
  return Append(databaseFolder, Checked({"T", digits, key, about}), why);
}

bool AppendAfterCall(const std::string& databaseFolder, const std::string& digits, const std::string& key,
                     const Fingerprint& fingerprint, std::string* why) {
  const std::string about = About({"A", digits, key});
  return Append(databaseFolder,
                Checked({"A", digits, key, about, std::to_string(fingerprint.size), Hex(fingerprint.crc)}), why);
}

bool AppendUnfinished(const std::string& databaseFolder, const std::string& digits, const std::string& key,
                      const std::string& reason, std::string* why) {
  const std::string about = About({"X", digits, key});
  return Append(databaseFolder, Checked({"X", digits, key, about, reason}), why);
}

bool AppendLabelToolSwap(const std::string& databaseFolder, const std::string& digits, bool swapped,
                         std::string* why) {
  const std::string about = About({"S", digits});
  return Append(databaseFolder, Checked({"S", digits, about, swapped ? "1" : "0"}), why);
}

MarkerVerdict CheckMarker(const FileRecord& record, const std::string& digits, const std::string& key,
                          const std::string& markerPath) {
  MarkerVerdict v;
  const auto expected = record.Damaged(digits, key) ? std::nullopt : record.Find(digits, key);
  if (!expected) {
    v.match = record.Damaged(digits, key) ? MarkerMatch::kDamagedRecord : MarkerMatch::kNoRecord;
    // The marker's name has no administration in it: another one's may stand there.
    const auto print = FingerprintOf(markerPath);
    if (!print) {
      v.match = MarkerMatch::kUnreadable;
      return v;
    }
    v.marker = *print;
    if (auto owner = record.OtherOwner(digits, key, *print)) {
      v.match = MarkerMatch::kOtherFile;
      v.owner = std::move(*owner);
    }
    return v;
  }
  v.expected = *expected;
  const auto marker = FingerprintOf(markerPath);
  if (!marker) {
    v.match = MarkerMatch::kUnreadable;
    return v;
  }
  v.marker = *marker;
  v.match = *marker == *expected ? MarkerMatch::kMatches : MarkerMatch::kDiffers;
  return v;
}

std::string RecordDamageText(int damagedLines) {
  return std::string(kRecordFileName) + ": " + std::to_string(damagedLines) +
         (damagedLines == 1 ? " regel is" : " regels zijn") +
         " beschadigd. Een markering waar ze over kunnen gaan, wordt bij een volledige herhaling genomen zoals "
         "gevonden; restore zet terug wat het origineel kan zijn en noemt de bestanden waar het er meer kunnen zijn.";
}

std::string DescribeMismatch(const MarkerVerdict& v) {
  switch (v.match) {
    case MarkerMatch::kUnreadable:
      return "niet te lezen";
    case MarkerMatch::kDiffers:
      if (v.marker.size != v.expected.size)
        return std::to_string(v.marker.size) + " bytes, verwacht " + std::to_string(v.expected.size) +
               " bytes";
      return "inhoud wijkt af (" + std::to_string(v.marker.size) + " bytes)";
    case MarkerMatch::kMatches:
    case MarkerMatch::kNoRecord:
    case MarkerMatch::kDamagedRecord:
    case MarkerMatch::kOtherFile:
      break;
  }
  return {};
}

std::string WhyNotTrusted(const MarkerVerdict& v, const std::string& data) {
  if (v.match == MarkerMatch::kDamagedRecord)
    return std::string("een regel in ") + kRecordFileName + " over " + data + " is beschadigd";
  if (v.match == MarkerMatch::kOtherFile)
    return "het is de inhoud van " + v.owner + " van voor de conversie, niet van " + data;
  if (v.match == MarkerMatch::kNoRecord)
    return std::string("geen regel in ") + kRecordFileName + " staat ervoor in dat het de inhoud van " +
           data + " van voor de conversie is";
  return "het is niet de inhoud van " + data + " van voor de conversie (" + DescribeMismatch(v) + ")";
}

}  // namespace druvo
