#include "datafiles/record.h"

#include <charconv>
#include <cstdio>
#include <initializer_list>

#include "model/catalogue.h"
#include "model/main_window.h"
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

std::string RecordKey(const MainWindow& w, int index, const std::string& suffix) {
  // Built step by step: MinGW's -Wrestrict misfires on const char* + std::string.
  std::string key = InWorkFolder(index) ? "QMVWORK\\" : "";
  key += DataFileName(w.catalogue, index, suffix);
  return text::Upper(key);
}

// The record's lines, each ending in a CRC-32C of the text before it, so that a damaged line
// is known as damaged:
//   F <digits> <key> <size> <crc32c of the file>   a data file's fingerprint before a call
//   T <digits> <key>                               the file was restored: a new history begins
//   S <digits> <1|0>                               the label tool was swapped (1), swapped back (0)
// fields separated by a tab. Lines of the version before ("<digits> <key> <size> <crc>",
// without a check of their own) are read as F lines.
namespace {

// A line of the record: the fields joined by tabs, then their check and the line end.
std::string Checked(std::initializer_list<std::string_view> fields) {
  std::string line;
  for (std::string_view f : fields) {
    if (!line.empty()) line += '\t';
    line += f;
  }
  const std::uint32_t check = Crc32c(0, line);
  line += '\t';
  line += Hex(check);
  line += '\n';
  return line;
}

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

bool ParseFingerprint(std::string_view size, std::string_view crc, Fingerprint& f) {
  return ParseNumber(size, f.size, 10) && crc.size() == 8 && ParseNumber(crc, f.crc, 16);
}

std::string KeyOf(std::string_view digits, std::string_view key) {
  return std::string(digits) + "\t" + std::string(key);
}

bool Append(const std::string& databaseFolder, const std::string& line, std::string* why = nullptr) {
  const std::string path = RecordPath(databaseFolder);
  // A line torn by an earlier crash is ended first, so that it cannot swallow this one.
  bool endsWithLineEnd = true;
  sys::ReadOwnFile(path, kPiece, [&](std::string_view piece) {
    if (!piece.empty()) endsWithLineEnd = piece.back() == '\n';
  });
  return sys::AppendFileDurably(path, endsWithLineEnd ? line : "\n" + line, why);
}

}  // namespace

FileRecord FileRecord::Load(const std::string& databaseFolder) {
  FileRecord record;
  std::string line;
  bool overlong = false;
  auto take = [&](std::string_view l) {
    const std::vector<std::string_view> f = Fields(l);
    Fingerprint fp;
    if (f.size() == 4 && IsDigits(f[0]) && !f[1].empty() && ParseFingerprint(f[2], f[3], fp)) {
      record.entries_[KeyOf(f[0], f[1])].push_back(fp);  // a line of the version before
      return;
    }
    // A line as long as a whole one (all its fields, a check of 8 digits) whose check fails
    // was damaged after it was written; a shorter one was torn while it was written.
    const std::size_t whole = !f.empty() && f[0] == "F" ? 6 : 4;
    if (f.size() != whole || f.back().size() != 8) return;
    std::uint32_t check = 0;
    if (ParseNumber(f.back(), check, 16) && Crc32c(0, l.substr(0, l.rfind('\t'))) == check) {
      if (f[0] == "F" && IsDigits(f[1]) && !f[2].empty() && ParseFingerprint(f[3], f[4], fp)) {
        record.entries_[KeyOf(f[1], f[2])].push_back(fp);
        return;
      }
      if (f[0] == "T" && IsDigits(f[1]) && !f[2].empty()) {
        record.entries_.erase(KeyOf(f[1], f[2]));
        return;
      }
      if (f[0] == "S" && IsDigits(f[1]) && (f[2] == "1" || f[2] == "0")) {
        record.swapped_[std::string(f[1])] = f[2] == "1";
        return;
      }
    }
    ++record.damagedLines_;
    if ((f[0] == "F" || f[0] == "T") && IsDigits(f[1]) && !f[2].empty())
      record.damaged_[KeyOf(f[1], f[2])] = true;
    else if (f[0] != "S")
      record.damagedAnyKey_ = true;
  };
  sys::ReadOwnFile(RecordPath(databaseFolder), kPiece, [&](std::string_view piece) {
    for (char c : piece) {
      if (c == '\n') {
        if (!overlong) take(line);
        line.clear();
        overlong = false;
      } else if (line.size() < 4096) {
        line += c;
      } else {
        overlong = true;
      }
    }
  });
  // A last line without its line end was torn by a crash while it was written: passed over.
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
  return damagedAnyKey_ || damaged_.count(KeyOf(digits, key)) > 0;
}

bool FileRecord::LabelToolSwapped(const std::string& digits) const {
  auto it = swapped_.find(digits);
  return it != swapped_.end() && it->second;
}

bool AppendRecord(const std::string& databaseFolder, const std::string& digits,
                  const std::string& key, const Fingerprint& fingerprint, std::string* why) {
  return Append(databaseFolder,
                Checked({"F", digits, key, std::to_string(fingerprint.size), Hex(fingerprint.crc)}), why);
}

bool AppendRestored(const std::string& databaseFolder, const std::string& digits, const std::string& key) {
  return Append(databaseFolder, Checked({"T", digits, key}));
}

bool AppendLabelToolSwap(const std::string& databaseFolder, const std::string& digits, bool swapped) {
  return Append(databaseFolder, Checked({"S", digits, swapped ? "1" : "0"}));
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
