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
/// taken since the file's history last began anew, oldest first, and what the last call left
/// (or that it did not finish); per direction, whether a run in that direction swapped the
/// label tool (and no restore swapped it back since). A missing file is an empty record. A
/// line torn by a crash while it was written is passed over (no utility got that file then):
/// the append after the crash closes it with a mark that says so; a torn line of an earlier
/// version, closed by a bare line end, is known by being cut short. Every other line that
/// fails its check is damaged. It makes the entry it is about untrusted; when it cannot say
/// whose it is, every entry in both directions and the label tool. Only a later whole line
/// that begins anew vouches again: a T line for its file (a restore, or a file found with no
/// earlier state of it in its folder), an S line for the label tool.
class FileRecord {
 public:
  static FileRecord Load(const std::string& databaseFolder);
  /// The newest fingerprint: what the marker of the last conversion must hold.
  std::optional<Fingerprint> Find(const std::string& digits, const std::string& key) const;
  /// The oldest fingerprint since the last restore: the state before the first conversion.
  std::optional<Fingerprint> Earliest(const std::string& digits, const std::string& key) const;
  bool LabelToolSwapped(const std::string& digits) const;
  /// Whether whole lines say what became of the label tool in this direction: some S line is
  /// whole and no damaged line since may have been one. Else the tool's files tell.
  bool LabelToolKnown(const std::string& digits) const;
  /// The data file as the last call on it left it, when that call finished (an A line after
  /// the newest F line).
  std::optional<Fingerprint> After(const std::string& digits, const std::string& key) const;
  /// Whether a whole line speaks of the file since its history last began: an F or a T line.
  bool Knows(const std::string& digits, const std::string& key) const;
  /// Another key whose newest fingerprint is `print`: the data file of another administration
  /// in the same folder ("QWIMAPD.DAB" for "QWIMAPD.DAT"), whose marker has the same name.
  std::optional<std::string> OtherOwner(const std::string& digits, const std::string& key,
                                        const Fingerprint& print) const;
  /// Why the last call on the file did not finish ("code=2", "nolog", "abnormal"), when it did not.
  std::optional<std::string> Unfinished(const std::string& digits, const std::string& key) const;
  /// Whether a damaged line since the file's last restore may have been about this file.
  bool Damaged(const std::string& digits, const std::string& key) const;
  /// Whether a damaged line since the last whole S line of the direction may have been one.
  bool LabelToolDamaged(const std::string& digits) const;
  bool empty() const { return entries_.empty() && swapped_.empty(); }
  /// Lines whose check failed, torn lines aside.
  int damagedLines() const { return damagedLines_; }

 private:
  std::map<std::string, std::vector<Fingerprint>> entries_;
  std::map<std::string, Fingerprint> after_;
  std::map<std::string, std::string> unfinished_;
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

/// Notes what a call that finished left of the data file (A), or that it did not finish and
/// why (X, `why` of lower-case letters, digits and "=").
bool AppendAfterCall(const std::string& databaseFolder, const std::string& digits, const std::string& key,
                     const Fingerprint& fingerprint, std::string* why = nullptr);
bool AppendUnfinished(const std::string& databaseFolder, const std::string& digits, const std::string& key,
                      const std::string& reason, std::string* why = nullptr);

/// Notes that a run in this direction swapped the label tool (true), or that a restore swapped
/// it back (false).
bool AppendLabelToolSwap(const std::string& databaseFolder, const std::string& digits, bool swapped,
                         std::string* why = nullptr);

enum class MarkerMatch {
  kMatches,
  kNoRecord,
  kDiffers,
  kUnreadable,
  kDamagedRecord,
  kOtherFile,  // no line of this file vouches for it, one of another administration's does
};

struct MarkerVerdict {
  MarkerMatch match = MarkerMatch::kNoRecord;
  Fingerprint marker;    // what the marker holds (kMatches, kDiffers)
  Fingerprint expected;  // what the record says (kMatches, kDiffers)
  std::string owner;     // the key whose line vouches for it (kOtherFile)
  /// Whether the marker may stand for the data file's earlier state: a line of the record
  /// vouches for it. Without one nothing is known of it (a marker of another administration
  /// under the same name, a torn one whose line was lost): it never replaces a data file.
  bool trusted() const { return match == MarkerMatch::kMatches; }
  /// Whether the record cannot vouch for the marker and does not contradict it: no line of
  /// it, or a damaged one. Such a marker is taken as found.
  bool unknown() const { return match == MarkerMatch::kNoRecord || match == MarkerMatch::kDamagedRecord; }
};

/// Holds the marker at `markerPath` against the record of the entry's data file.
MarkerVerdict CheckMarker(const FileRecord& record, const std::string& digits, const std::string& key,
                          const std::string& markerPath);

/// What the Start and `check` say of a record with damaged lines: how many, and what follows.
std::string RecordDamageText(int damagedLines);

/// Why a marker is not the data file's earlier state, in Dutch, for the log view:
/// "12 bytes, verwacht 70000 bytes" or "inhoud wijkt af (70000 bytes)".
std::string DescribeMismatch(const MarkerVerdict& verdict);

/// Why an untrusted marker does not go back in the place of data file `data`:
/// "het is niet de inhoud van X.DAT van voor de conversie (12 bytes, verwacht 70000 bytes)",
/// or that no line of the record vouches for it.
std::string WhyNotTrusted(const MarkerVerdict& verdict, const std::string& data);

}  // namespace druvo
