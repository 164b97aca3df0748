// The record of what each data file held before the utility got it: size and CRC-32C,
// kept per direction in DRUVO.REC in the database folder. A marker is the utility's copy of
// that state, so the record tells a whole marker from a torn or foreign one.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "sys/crc32c.h"

namespace druvo {

class MainWindow;

constexpr char kRecordFileName[] = "DRUVO.REC";

struct Fingerprint {
  std::int64_t size = 0;
  std::uint32_t crc = 0;  // CRC-32C (Castagnoli)
  bool operator==(const Fingerprint&) const = default;
};

/// Continues a CRC-32C over more bytes; start with 0.
using sys::Crc32c;

/// Size and CRC-32C of a plain file, read in pieces; nothing when it cannot be read.
std::optional<Fingerprint> FingerprintOf(const std::string& path);

/// The key of an entry's data file in the record: its path below the database folder,
/// upper-cased ("QWIMAPD.DAT", "QMVWORK\QWOMISWT.DAT").
std::string RecordKey(const MainWindow& w, int index, const std::string& suffix);

/// The record of a database folder as last written: per direction and key, the newest
/// fingerprint. A missing file is an empty record; a torn or foreign line is passed over.
class FileRecord {
 public:
  static FileRecord Load(const std::string& databaseFolder);
  std::optional<Fingerprint> Find(const std::string& digits, const std::string& key) const;
  bool empty() const { return entries_.empty(); }

 private:
  std::map<std::string, Fingerprint> entries_;
};

/// Adds a data file's fingerprint before the utility gets it, flushed to disk before this
/// returns. False when it could not be written.
bool AppendRecord(const std::string& databaseFolder, const std::string& digits,
                  const std::string& key, const Fingerprint& fingerprint);

enum class MarkerMatch { kMatches, kNoRecord, kDiffers, kUnreadable };

struct MarkerVerdict {
  MarkerMatch match = MarkerMatch::kNoRecord;
  Fingerprint marker;    // what the marker holds (kMatches, kDiffers)
  Fingerprint expected;  // what the record says (kMatches, kDiffers)
  /// Whether the marker may stand for the data file's earlier state: it matches its record,
  /// or there is no record to hold it against (a marker from before records were kept).
  bool trusted() const { return match == MarkerMatch::kMatches || match == MarkerMatch::kNoRecord; }
};

/// Holds the marker at `markerPath` against the record of the entry's data file.
MarkerVerdict CheckMarker(const FileRecord& record, const std::string& digits, const std::string& key,
                          const std::string& markerPath);

/// Why a marker is not the data file's earlier state, in Dutch, for the log view:
/// "12 bytes, verwacht 70000 bytes" or "inhoud wijkt af (70000 bytes)".
std::string DescribeMismatch(const MarkerVerdict& verdict);

}  // namespace druvo
