// The record of what each data file held before the utility got it: size and CRC-32C,
// kept per direction in DRUVO.REC in the database folder. A marker is the utility's copy of
// that state, so the record tells a whole marker from a torn or foreign one.
#pragma once

#include <cstdint>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/crc32c.h"

namespace druvo {

struct FileCatalogue;

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

/// From this size on a file's fingerprint pays for a thread of its own, read while the
/// caller does something else; below it the thread costs more than it saves. Measured by
/// bench/second_read (a marker's read beside the showing of the stand-in's log) on a 2-core
/// machine shared with other work (load average 3): on Linux a thread took 0.62-0.70x the
/// time at 32 MiB in three runs, 1.4-1.9x at 16 MiB in two of them; under Wine it was slower
/// at every size up to 256 MiB.
constexpr std::int64_t kFingerprintAsideFrom = std::int64_t{32} << 20;

/// FingerprintOf(path) for a file of about `size` bytes, to be had from the future: read on
/// a thread of its own from kFingerprintAsideFrom bytes on, else by get() on the caller's.
std::future<std::optional<Fingerprint>> FingerprintLater(const std::string& path, std::int64_t size);

/// The key of an entry's data file in the record: its path below the database folder,
/// upper-cased ("QWIMAPD.DAT", "QMVWORK\QWOMISWT.DAT").
std::string RecordKey(const FileCatalogue& catalogue, int index, const std::string& suffix);

/// The record of a database folder as last written. Per direction and key, the fingerprints
/// taken since the last restore of that file, oldest first; per direction, whether a run in
/// that direction swapped the label tool (and no restore swapped it back since). A missing
/// file is an empty record. A line torn by a crash while it was written is passed over (no
/// utility got that file then): the append after the crash closes it with a mark that says
/// so. Every other line that fails its check is damaged. It makes the entry it is about
/// untrusted; when it cannot say whose it is, every entry in both directions and the label
/// tool. Only a later whole line that begins anew vouches again: a T line for its file, an
/// S line for the label tool.
class FileRecord {
 public:
  static FileRecord Load(const std::string& databaseFolder);
  /// The newest fingerprint: what the marker of the last conversion must hold.
  std::optional<Fingerprint> Find(const std::string& digits, const std::string& key) const;
  /// The oldest fingerprint since the last restore: the state before the first conversion.
  std::optional<Fingerprint> Earliest(const std::string& digits, const std::string& key) const;
  bool LabelToolSwapped(const std::string& digits) const;
  /// Whether a damaged line since the file's last restore may have been about this file.
  bool Damaged(const std::string& digits, const std::string& key) const;
  /// Whether a damaged line since the last whole S line of the direction may have been one.
  bool LabelToolDamaged(const std::string& digits) const;
  bool empty() const { return entries_.empty() && swapped_.empty(); }
  /// Lines whose check failed, torn lines aside.
  int damagedLines() const { return damagedLines_; }

 private:
  std::map<std::string, std::vector<Fingerprint>> entries_;
  std::map<std::string, bool> swapped_;
  // Line numbers: the last whole T line per direction and key, the last whole S line per
  // direction, the last damaged line that does not say whose it is.
  std::map<std::string, long> restoredAt_;
  std::map<std::string, long> labelToolAt_;
  long unknownDamageAt_ = 0;
  long lines_ = 0;
  std::map<std::string, bool> damaged_;           // direction and key, since its last T line
  std::map<std::string, bool> labelToolDamaged_;  // direction, since its last S line
  int damagedLines_ = 0;
};

/// Adds a data file's fingerprint before the utility gets it, flushed to disk before this
/// returns. False when it could not be written; `why` then says why.
bool AppendRecord(const std::string& databaseFolder, const std::string& digits,
                  const std::string& key, const Fingerprint& fingerprint, std::string* why = nullptr);

/// Notes that a restore put the file back as it was before its first conversion in this
/// direction: fingerprints taken from now on begin a new history. Noted twice, it is the same.
bool AppendRestored(const std::string& databaseFolder, const std::string& digits, const std::string& key,
                    std::string* why = nullptr);

/// Notes that a run in this direction swapped the label tool (true), or that a restore swapped
/// it back (false).
bool AppendLabelToolSwap(const std::string& databaseFolder, const std::string& digits, bool swapped,
                         std::string* why = nullptr);

enum class MarkerMatch { kMatches, kNoRecord, kDiffers, kUnreadable, kDamagedRecord };

struct MarkerVerdict {
  MarkerMatch match = MarkerMatch::kNoRecord;
  Fingerprint marker;    // what the marker holds (kMatches, kDiffers)
  Fingerprint expected;  // what the record says (kMatches, kDiffers)
  /// Whether the marker may stand for the data file's earlier state: a line of the record
  /// vouches for it. Without one nothing is known of it (a marker of another administration
  /// under the same name, a torn one whose line was lost): it never replaces a data file.
  bool trusted() const { return match == MarkerMatch::kMatches; }
};

/// Holds the marker at `markerPath` against the record of the entry's data file.
MarkerVerdict CheckMarker(const FileRecord& record, const std::string& digits, const std::string& key,
                          const std::string& markerPath);

/// Why a marker is not the data file's earlier state, in Dutch, for the log view:
/// "12 bytes, verwacht 70000 bytes" or "inhoud wijkt af (70000 bytes)".
std::string DescribeMismatch(const MarkerVerdict& verdict);

/// Why an untrusted marker does not go back in the place of data file `data`:
/// "het is niet de inhoud van X.DAT van voor de conversie (12 bytes, verwacht 70000 bytes)",
/// or that no line of the record vouches for it.
std::string WhyNotTrusted(const MarkerVerdict& verdict, const std::string& data);

}  // namespace druvo
