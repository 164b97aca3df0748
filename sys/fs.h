// File system services. Paths are built as the host's Windows paths are, with "\".
// The POSIX layer reads "\" (and "/") as a separator, takes a leading drive "X:" as the root
// "/", and matches every component without regard to case (an exact-case name wins).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/clock.h"

namespace sys {

/// Searches for a plain file: not a folder, not hidden (POSIX: a name starting with "."),
/// not system. "*" and "?" in the name are never wildcards: such a name is not found.
/// Returns the file's name as stored on disk (last component only), or nothing.
std::optional<std::string> FindPlainFile(const std::string& path);

/// Whether FindPlainFile finds the path.
inline bool IsPresent(const std::string& path) { return FindPlainFile(path).has_value(); }

/// The path of an existing file or folder in the platform's own form (POSIX: each component
/// matched as above), or nothing. Hidden files count; used to find a program to start.
std::optional<std::string> ResolveExisting(const std::string& path);

enum class ExclusiveOpen {
  kFree,      // it could be opened for reading and writing with no sharing
  kInUse,     // another program holds it open
  kNotTried,  // it could not be opened for another reason (missing, no rights)
};

/// Whether another program holds a file open at this moment: the file is opened for reading
/// and writing with no sharing, and closed again at once. POSIX has no mandatory locks, so
/// there a program's open file never keeps another out: always kFree.
ExclusiveOpen TryExclusiveOpen(const std::string& path);

/// Whether the path names an existing folder.
bool FolderExists(const std::string& path);

/// The size in bytes of a plain file.
std::optional<std::int64_t> FileSize(const std::string& path);

/// The last-modified time of a file, in local time.
std::optional<LocalDateTime> LastModified(const std::string& path);

/// Makes a drive current ("C"). A no-op on POSIX.
bool SetCurrentDrive(char letter);

/// Makes a folder current.
bool SetCurrentFolder(const std::string& path);

/// The current folder as a full path.
std::string CurrentFolder();

/// A folder as a full path: one given relative to the current folder ("QMV", "..\DATA"),
/// relative to a drive's current folder ("D:DATA") or, on Win32, to the current drive's
/// root ("\DATA") is completed from the current folders of this moment; a full path
/// ("D:\DATA", "\\server\share") comes back exactly as given. On POSIX, where every drive
/// letter is the one root, "D:DATA" is completed from the current folder.
std::string FullPath(const std::string& path);

enum class RenameStatus { kOk, kTargetTaken, kSourceMissing, kFailed };

struct RenameResult {
  RenameStatus status = RenameStatus::kFailed;
  std::string why;  // what the system said, for the user
  bool ok() const { return status == RenameStatus::kOk; }
};

/// Renames a file and never overwrites: an existing target (any letter case) leaves both
/// files as they are, also when the target appears between a check and the rename.
/// A rename that succeeded is on disk when this returns (the folder is flushed), so a
/// power cut cannot undo it behind a later step.
RenameResult RenameNoReplace(const std::string& from, const std::string& to);

// ---- The program's own files: DRUVO.LCK, DRUVO.JNL and DRUVO.REC in the database folder,
// DRUVO.Log and DRUVO-restore.Log in the program folder. Each is a plain file of the
// program's own: a link at its name is never followed, and a FIFO, a device or a folder there
// is never opened for use nor waited on; such a name gives false at once, `why` saying what
// stands there. Win32 opens a link as itself; Wine shows a Unix link as the file it points to,
// and there the file that was opened is a link's target when it lies elsewhere than its name
// says. The last name is matched without regard to case, like every name.

enum class NameKind { kNothing, kFile, kLink, kFolder, kFifo, kOther };

/// What stands at a name itself: a link is a link, wherever it points or not.
NameKind KindOfName(const std::string& path);

/// The kind in Dutch, for a message: "een symbolische koppeling", "een map", ...
std::string KindText(NameKind kind);

/// The folder a path's last name lies in: "D:\DATA\X.DAT" -> "D:\DATA", "D:\X" -> "D:\",
/// "/X" -> "/", "X" -> ".". Either separator.
std::string ParentFolder(const std::string& path);

/// Why an own file cannot be opened at a name of another kind: "is een map, geen gewoon bestand".
std::string NotAPlainFile(NameKind kind);

/// Makes a new own file (readable and writable for every user of the folder), writes the
/// bytes and flushes them (and the folder's entry) to disk before returning. Whatever stands
/// at the name already (a file, a link, anything) is never opened nor emptied: false, like
/// any step that fails, `why` then saying why in Dutch. A file it made but could not write
/// whole is removed again.
bool WriteNewFileDurably(const std::string& path, std::string_view bytes, std::string* why = nullptr);

/// Appends the bytes to an own file (made as above when missing) and flushes them to disk.
bool AppendFileDurably(const std::string& path, std::string_view bytes, std::string* why = nullptr);

/// Puts a file holding the bytes in the place of a plain file, or of nothing: the bytes go to
/// a new file made beside it ("<name>.new<n>"), which takes the name once it is on disk. What
/// stood there is replaced as a name, never opened, emptied or written through; so where the
/// system cannot tell a link from a file (a share that follows links on its server), the link
/// itself is replaced and its target stays as it was. A link, folder, FIFO or device the
/// system does show at the name is refused like an own file's.
bool ReplaceFileDurably(const std::string& path, std::string_view bytes, std::string* why = nullptr);

/// Reads an own file in pieces, as ReadFileInPieces does. False, with nothing handed, when it
/// is missing or cannot be opened.
bool ReadOwnFile(const std::string& path, std::size_t pieceSize,
                 const std::function<void(std::string_view piece)>& take, std::string* why = nullptr);

/// Whether an existing own file could be opened now, for writing or for reading, as the
/// functions above open it; nothing is written. False with `why`.
bool CanOpenOwnFile(const std::string& path, bool forWriting, std::string& why);

/// Whether a file could be made in the folder now (and one of its files removed); nothing is
/// made. False with `why`: a read-only disk, no rights, a folder that is not there.
bool CanChangeFolder(const std::string& folder, std::string& why);

/// Removes an own file; the removal is flushed to disk. True when nothing is at the name
/// afterwards. A link is removed itself, never its target; on Win32, where Wine would remove a
/// Unix link's target, only a plain file is removed and anything else is left (false).
bool RemoveFileDurably(const std::string& path);

/// Reads a whole file as bytes.
bool ReadWholeFile(const std::string& path, std::string& bytes);

/// Reads a file in pieces of at most `pieceSize` bytes, handing each to `take` in order, so
/// a file of any size costs one piece of memory. A path that is not a regular file (a
/// folder, a FIFO, a device) is never read nor waited for: like a file that cannot be
/// opened, it gives false with nothing handed. False also when a read fails part-way.
bool ReadFileInPieces(const std::string& path, std::size_t pieceSize,
                      const std::function<void(std::string_view piece)>& take);

/// Creates a file, or empties an existing one, and writes the bytes. False also when only
/// part of them was written (a full disk) or the close failed; `why` then gets what the
/// system said.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* why = nullptr);

/// Creates a folder (the parent must exist).
bool MakeFolder(const std::string& path);

/// Copies a file, replacing the target; used by the demo installation only.
bool CopyFileReplacing(const std::string& from, const std::string& to);

/// The names of the folders directly in a folder, sorted without regard to case;
/// "." and ".." and hidden folders left out.
std::vector<std::string> ListFolders(const std::string& path);

/// The names of the plain files (as FindPlainFile sees them) directly in a folder, unsorted.
std::vector<std::string> ListPlainFiles(const std::string& path);

/// The drives of the machine as roots ("C:\"); POSIX has one, "/".
std::vector<std::string> ListDrives();

/// The path of the running program's own executable.
std::string ExecutablePath();

}  // namespace sys
