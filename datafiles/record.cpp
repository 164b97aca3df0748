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
//   T <digits> <key> <about> <check>                             the file was restored: a new history begins
//   S <digits> <about> <1|0> <check>                             the label tool was swapped (1), back (0)
// <check> is the CRC-32C of the text before it, so that a damaged line is known as damaged;
// <about> is the CRC-32C of the fields before it and their tab, so that a line damaged after
// them still says whose it is. A line a crash tore (its line end never written) is closed by the next
// append with kTornMark and the length of the torn text: it is torn because it says so, and
// no flipped bit can make a line say so (the mark is in no other line, the length binds it
// to its own text). Read as well, as the versions before wrote them: the same lines without
// <about>, and "<digits> <key> <size> <crc>" without a check.
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
  char type = 0;       // 'F', 'T', 'S'; of a damaged line only when it still says whose it is
  std::string digits;  // F, T, S
  std::string key;     // F, T
  Fingerprint fingerprint;
  bool swapped = false;
};

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
  return r;
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
      if (l.type == 'F' || l.type == 'T') record.damaged_[key] = true;
      else if (l.type == 'S') record.labelToolDamaged_[l.digits] = true;
      else record.unknownDamageAt_ = at;
    } else if (l.type == 'F') {
      record.entries_[key].push_back(l.fingerprint);
    } else if (l.type == 'T') {
      record.entries_.erase(key);
      record.damaged_.erase(key);
      record.restoredAt_[key] = at;
    } else {
      record.swapped_[l.digits] = l.swapped;
      record.labelToolDamaged_.erase(l.digits);
      record.labelToolAt_[l.digits] = at;
    }
  };
  std::string line;
  bool overlong = false;
  sys::ReadOwnFile(RecordPath(databaseFolder), kPiece, [&](std::string_view piece) {
    for (char c : piece) {
      if (c == '\n') {
        take(overlong ? Line{} : Read(line));  // no line of the record is that long
        line.clear();
        overlong = false;
      } else if (line.size() < kMaxLine) {
        line += c;
      } else {
        overlong = true;
      }
    }
  });
  // A last line without its line end was torn by a crash while it was written: passed over,
  // unless it is a whole line whose line end was damaged.
  if (!overlong && WholeButItsLineEnd(line, line.size())) take(Read(line));
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

bool AppendLabelToolSwap(const std::string& databaseFolder, const std::string& digits, bool swapped,
                         std::string* why) {
  const std::string about = About({"S", digits});
  return Append(databaseFolder, Checked({"S", digits, about, swapped ? "1" : "0"}), why);
}

MarkerVerdict CheckMarker(const FileRecord& record, const std::string& digits, const std::string& key,
                          const std::string& markerPath) {
  MarkerVerdict v;
  if (record.Damaged(digits, key)) {
    v.match = MarkerMatch::kDamagedRecord;
    return v;
  }
  const auto expected = record.Find(digits, key);
  if (!expected) return v;  // kNoRecord
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
      break;
  }
  return {};
}

std::string WhyNotTrusted(const MarkerVerdict& v, const std::string& data) {
  if (v.match == MarkerMatch::kDamagedRecord)
    return std::string("een regel in ") + kRecordFileName + " over " + data + " is beschadigd";
  if (v.match == MarkerMatch::kNoRecord)
    return std::string("geen regel in ") + kRecordFileName + " staat ervoor in dat het de inhoud van " +
           data + " van voor de conversie is";
  return "het is niet de inhoud van " + data + " van voor de conversie (" + DescribeMismatch(v) + ")";
}

}  // namespace druvo
