#include "sys/fs.h"

#include <windows.h>

#include <algorithm>

#include "sys/fs_win32.h"
#include "sys/grow_win32.h"
#include "sys/piece_buffer.h"
#include "sys/reason.h"
#include "sys/text.h"
#include "sys/wide_win32.h"

namespace sys {

namespace {

bool HasWildcard(const std::string& path) {
  return path.find_first_of("*?") != std::string::npos;
}

std::string Describe(DWORD err) { return Reason(err); }

bool IsFolder(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A file cannot be opened where a folder stands: the system says "access denied", the user
// reads what is really in the way.
DWORD OpenError(const std::wstring& path) {
  const DWORD err = GetLastError();
  return err == ERROR_ACCESS_DENIED && IsFolder(path) ? kErrorIsFolder : err;
}

bool FullPathW(const std::wstring& path, std::wstring& full) {
  return GrowToFit(full, [&](wchar_t* buf, DWORD size) {
    return GetFullPathNameW(path.c_str(), size, buf, nullptr);
  });
}

// The system keeps the current folder in a buffer of MAX_PATH characters, its trailing "\"
// and the terminating null included. Windows refuses a longer folder; Wine 8 takes it and
// writes past that buffer, over the process's image path and command line, and the next
// program started then corrupts memory (a "double free" abort, or a hang).
bool FitsAsCurrentFolder(const std::wstring& full) {
  const bool trailing = !full.empty() && (full.back() == L'\\' || full.back() == L'/');
  return full.size() + (trailing ? 0 : 1) < MAX_PATH;
}

// The kind of an open handle's file.
NameKind KindOf(HANDLE h) {
  switch (GetFileType(h)) {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_PIPE: return NameKind::kFifo;
    default: return NameKind::kOther;
  }
  // The attributes alone: GetFileInformationByHandle also fetches the volume's serial
  // number, which Wine asks of its mount manager, another process, at every open of an own
  // file (twice per utility call for the record).
  FILE_ATTRIBUTE_TAG_INFO info;
  if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info)) return NameKind::kOther;
  if (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return NameKind::kLink;
  if (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) return NameKind::kFolder;
  return NameKind::kFile;
}

// Under Wine a Unix symbolic link is no reparse point: it opens as the file it points to,
// with that file's attributes. The system's final path of the handle names where the opened
// file really lies; a plain file's is its folder's final path and its own name. Where the
// system cannot say (a file system without final paths), nothing is told: false.
bool OpenedElsewhere(HANDLE h, const std::string& path) {
  auto finalPath = [](HANDLE of, std::wstring& out) {
    return GrowToFit(out, [&](wchar_t* buf, DWORD size) {
      return GetFinalPathNameByHandleW(of, buf, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
  };
  std::wstring file, folder;
  if (!finalPath(h, file)) return false;
  HANDLE d = CreateFileW(Widen(ParentFolder(path)).c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (d == INVALID_HANDLE_VALUE) return false;
  const bool got = finalPath(d, folder);
  CloseHandle(d);
  if (!got) return false;
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  folder += Widen(path.substr(path.find_last_of("\\/:") + 1));
  return CompareStringOrdinal(file.c_str(), -1, folder.c_str(), -1, TRUE) != CSTR_EQUAL;
}

// The kind of an own file's open handle, a link that opened as its target included.
NameKind KindOfOwn(HANDLE h, const std::string& path) {
  const NameKind kind = KindOf(h);
  return kind == NameKind::kFile && OpenedElsewhere(h, path) ? NameKind::kLink : kind;
}

// CreateFileW, tried again while another program holds the file for a moment.
HANDLE CreateFileWhileHeld(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                           DWORD disposition, DWORD flags, HANDLE templateFile) {
  HANDLE h = INVALID_HANDLE_VALUE;
  RetryWhileHeld(name, [&] {
    h = CreateFileW(name, access, share, sa, disposition, flags, templateFile);
    return h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  });
  return h;
}

bool FindData(const std::string& path, WIN32_FIND_DATAW& data) {
  if (HasWildcard(path)) return false;
  HANDLE h = FindFirstFileExW(Widen(path).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                              nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

// Reads an open file in pieces, to its end, and closes it. The buffer is sized to the file
// where it is small; a file that grows meanwhile is read to its end all the same.
bool ReadAndClose(HANDLE h, std::size_t pieceSize, const std::function<void(std::string_view)>& take) {
  LARGE_INTEGER size;
  const PieceBuffer buf(std::min<std::size_t>(pieceSize, 1u << 30),
                        GetFileSizeEx(h, &size) ? size.QuadPart : -1);
  DWORD n = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr) != 0) && n > 0)
    take(std::string_view(buf.data(), n));
  CloseHandle(h);
  return ok;
}

}  // namespace

std::optional<std::string> FindPlainFile(const std::string& path) {
  WIN32_FIND_DATAW data;
  if (!FindData(path, data)) return std::nullopt;
  const DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (data.dwFileAttributes & excluded) return std::nullopt;
  return Narrow(data.cFileName);
}

std::optional<std::string> ResolveExisting(const std::string& path) {
  const std::wstring wide = Widen(path);
  if (HasWildcard(path) || GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES)
    return std::nullopt;
  std::wstring full;
  if (!FullPathW(wide, full)) return std::nullopt;
  return Narrow(full);
}

ExclusiveOpen TryExclusiveOpen(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return ExclusiveOpen::kFree;
  }
  const DWORD err = GetLastError();
  return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION ? ExclusiveOpen::kInUse
                                                                       : ExclusiveOpen::kNotTried;
}

bool FolderExists(const std::string& path) {
  DWORD a = GetFileAttributesW(Widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::int64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &d)) return std::nullopt;
  return (static_cast<std::int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

std::optional<LocalDateTime> LastModified(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &d)) return std::nullopt;
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&d.ftLastWriteTime, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    return std::nullopt;
  LocalDateTime t;
  t.year = local.wYear;
  t.month = local.wMonth;
  t.day = local.wDay;
  t.hour = local.wHour;
  t.minute = local.wMinute;
  t.second = local.wSecond;
  t.millisecond = local.wMilliseconds;
  return t;
}

bool SetCurrentDrive(char letter) {
  wchar_t drive[3] = {static_cast<wchar_t>(letter), L':', 0};
  return SetCurrentDirectoryW(drive) != 0;
}

bool SetCurrentFolder(const std::string& path) {
  std::wstring wide = Widen(path);
  std::wstring full;
  if (!FullPathW(wide, full)) return false;
  if (!FitsAsCurrentFolder(full)) {
    // A longer folder is made current by its short (8.3) form, where its volume keeps one
    // that fits; otherwise it cannot be current, as on Windows.
    std::wstring shortForm;
    if (!GrowToFit(shortForm, [&](wchar_t* buf, DWORD size) {
          return GetShortPathNameW(full.c_str(), buf, size);
        }))
      return false;
    if (!FitsAsCurrentFolder(shortForm)) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    wide = shortForm;
  }
  return SetCurrentDirectoryW(wide.c_str()) != 0;
}

std::string CurrentFolder() {
  std::wstring current;
  if (!GrowToFit(current, [](wchar_t* buf, DWORD size) { return GetCurrentDirectoryW(size, buf); }))
    return {};
  // A long folder was made current by its short form: it is shown by its own names.
  std::wstring full;
  if (current.find(L'~') != std::wstring::npos && GrowToFit(full, [&](wchar_t* buf, DWORD size) {
        return GetLongPathNameW(current.c_str(), buf, size);
      }))
    return Narrow(full);
  return Narrow(current);
}

std::string FullPath(const std::string& path) {
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  const std::wstring wide = Widen(path);
  // "D:\..." and "\\server\share\..." are full; everything else depends on a current
  // folder or drive and is completed by the system, which keeps one current folder per drive.
  if (wide.size() >= 3 && wide[1] == L':' && separator(wide[2])) return path;
  if (wide.size() >= 2 && separator(wide[0]) && separator(wide[1])) return path;
  std::wstring full;
  if (!FullPathW(wide, full)) return path;
  return Narrow(full);
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
  RenameResult res;
  if (HasWildcard(from) || HasWildcard(to)) {
    res.why = "ongeldige naam";
    return res;
  }
  // Neither MOVEFILE_REPLACE_EXISTING nor MOVEFILE_COPY_ALLOWED: a taken name fails.
  // MOVEFILE_WRITE_THROUGH: the call returns once the rename is on disk.
  const std::wstring source = Widen(from), target = Widen(to);
  const DWORD err = RetryWhileHeld(source, [&] {
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
  });
  if (err == 0) {
    res.status = RenameStatus::kOk;
    return res;
  }
  if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS)
    res.status = RenameStatus::kTargetTaken;
  else if (err == ERROR_FILE_NOT_FOUND)
    res.status = RenameStatus::kSourceMissing;
  res.why = Describe(err);
  return res;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  HANDLE h = CreateFileWhileHeld(Widen(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buf[65536];
  DWORD n = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buf, sizeof buf, &n, nullptr) != 0) && n > 0) bytes.append(buf, n);
  CloseHandle(h);
  return ok;
}

bool ReadFileInPieces(const std::string& path, std::size_t pieceSize,
                      const std::function<void(std::string_view)>& take) {
  // A folder cannot be opened this way; a device or pipe can, and is passed over by type.
  HANDLE h = CreateFileWhileHeld(Widen(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return false;
  }
  return ReadAndClose(h, pieceSize, take);
}

namespace {

// Writes all the bytes to an open file and closes it. With `durable` they are flushed to disk
// first. 0, or the error of the step that failed.
DWORD WriteAndClose(HANDLE h, std::string_view bytes, bool durable) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), chunk, &written, nullptr);
    if (!ok || written == 0) {
      // A write that takes nothing more has met a full disk, whether it says so or not.
      const DWORD err = ok ? ERROR_DISK_FULL : GetLastError();
      CloseHandle(h);
      return err;
    }
    bytes.remove_prefix(written);
  }
  if (durable && !FlushFileBuffers(h)) {
    const DWORD err = GetLastError();
    CloseHandle(h);
    return err;
  }
  // A share that writes later tells its failure at the close.
  if (!CloseHandle(h)) return GetLastError();
  return 0;
}

// OpenOwnFileHandle, tried again while another program holds the file for a moment. The run
// lock opens its file without it: there, a file held by another is the answer.
HANDLE OpenOwnFileWhileHeld(const std::string& path, DWORD access, DWORD share, bool create,
                            DWORD flags, std::string& why) {
  HANDLE h = INVALID_HANDLE_VALUE;
  RetryWhileHeld(Widen(path), [&] {
    h = OpenOwnFileHandle(path, access, share, nullptr, create, flags, why);
    return h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  });
  return h;
}

// Makes a new file, never one that stands there already (CREATE_NEW also takes a link that
// leads nowhere for a name in use), writes the bytes and flushes them. 0, or the error of
// the step that failed; a file it made but could not write whole is removed again.
DWORD WriteNewFile(const std::wstring& wide, std::string_view bytes) {
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (h == INVALID_HANDLE_VALUE) return OpenError(wide);
  const DWORD err = WriteAndClose(h, bytes, true);
  if (err != 0) DeleteFileW(wide.c_str());
  return err;
}

// Why a name is taken: what stands there; a name in use that shows nothing is a link whose
// target is missing (Wine shows such a link as nothing at all).
std::string TakenBy(const std::string& path, DWORD err) {
  if (err == kErrorIsFolder) return NotAPlainFile(NameKind::kFolder);
  const NameKind kind = err == ERROR_FILE_EXISTS ? KindOfName(path) : NameKind::kFile;
  if (kind == NameKind::kFile) return Describe(err);
  return NotAPlainFile(kind == NameKind::kNothing ? NameKind::kLink : kind);
}

}  // namespace

HANDLE OpenOwnFileHandle(const std::string& path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* sa,
                         bool create, DWORD flags, std::string& why) {
  const std::wstring wide = Widen(path);
  if (HasWildcard(path)) {
    why = Describe(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  // FILE_FLAG_OPEN_REPARSE_POINT: a link is opened as itself and refused below, never
  // followed. Never OPEN_ALWAYS: Wine would make the missing target of a link there. A name
  // that cannot be opened (OPEN_EXISTING) yet is taken (CREATE_NEW) is such a link, unless a
  // file came and went between the two calls.
  // FILE_READ_ATTRIBUTES: the type is checked below, also on a handle only for appending.
  auto open = [&](DWORD disposition) {
    return CreateFileW(wide.c_str(), access | FILE_READ_ATTRIBUTES, share, sa, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr);
  };
  HANDLE h = INVALID_HANDLE_VALUE;
  bool dangling = false;
  for (int tries = 0; tries < 3; ++tries) {
    dangling = false;
    h = open(OPEN_EXISTING);
    if (h != INVALID_HANDLE_VALUE || !create || GetLastError() != ERROR_FILE_NOT_FOUND) break;
    h = open(CREATE_NEW);
    dangling = h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    if (!dangling) break;
  }
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = dangling ? ERROR_INVALID_FUNCTION : OpenError(wide);
    why = dangling ? NotAPlainFile(NameKind::kLink)
                   : err == kErrorIsFolder ? NotAPlainFile(NameKind::kFolder) : Describe(err);
    SetLastError(err);
    return INVALID_HANDLE_VALUE;
  }
  const NameKind kind = KindOfOwn(h, path);
  if (kind != NameKind::kFile) {
    CloseHandle(h);
    why = NotAPlainFile(kind);
    SetLastError(ERROR_INVALID_FUNCTION);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

NameKind KindOfName(const std::string& path) {
  if (HasWildcard(path)) return NameKind::kNothing;
  const std::wstring wide = Widen(path);
  // The attributes are those of a link itself, not of its target.
  const DWORD a = GetFileAttributesW(wide.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) return NameKind::kLink;
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) return NameKind::kFolder;
  if (a == INVALID_FILE_ATTRIBUTES) {
    const DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return NameKind::kNothing;
  }
  // A pipe or a device has no attributes to tell it by (Wine shows a FIFO so): its type does.
  HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return a == INVALID_FILE_ATTRIBUTES ? NameKind::kNothing : NameKind::kFile;
  const NameKind kind = KindOfOwn(h, path);
  CloseHandle(h);
  return kind;
}

bool WriteNewFileDurably(const std::string& path, std::string_view bytes, std::string* why) {
  if (HasWildcard(path)) {
    if (why) *why = Describe(ERROR_INVALID_NAME);
    return false;
  }
  const DWORD err = WriteNewFile(Widen(path), bytes);
  if (err != 0 && why) *why = TakenBy(path, err);
  return err == 0;
}

bool AppendFileDurably(const std::string& path, std::string_view bytes, std::string* why) {
  std::string whyNot;
  HANDLE h = OpenOwnFileWhileHeld(path, FILE_APPEND_DATA, FILE_SHARE_READ, true, FILE_FLAG_WRITE_THROUGH, whyNot);
  if (h == INVALID_HANDLE_VALUE) {
    if (why) *why = whyNot;
    return false;
  }
  const DWORD err = WriteAndClose(h, bytes, true);
  if (err != 0 && why) *why = Describe(err);
  return err == 0;
}

bool ReplaceFileDurably(const std::string& path, std::string_view bytes, std::string* why) {
  const NameKind kind = KindOfName(path);
  if (kind != NameKind::kNothing && kind != NameKind::kFile) {
    if (why) *why = NotAPlainFile(kind);
    return false;
  }
  const std::wstring wide = Widen(path);
  DWORD err = HasWildcard(path) ? ERROR_INVALID_NAME : 0;
  for (int n = 1; err == 0; ++n) {
    const std::wstring made = Widen(path + ".new" + std::to_string(n));
    err = WriteNewFile(made, bytes);
    if (err == ERROR_FILE_EXISTS && n < 99) {
      err = 0;  // left by a run that ended half-way, or another window's: the next number
      continue;
    }
    // A rename replaces the name itself: a link there (one Wine shows as a file, or one
    // made meanwhile) is replaced, never written through.
    if (err == 0) {
      err = RetryWhileHeld(wide, [&] {
        return MoveFileExW(made.c_str(), wide.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? 0 : GetLastError();
      });
      if (err != 0) DeleteFileW(made.c_str());
    }
    break;
  }
  if (err != 0 && why) *why = Describe(err);
  return err == 0;
}

bool ReadOwnFile(const std::string& path, std::size_t pieceSize,
                 const std::function<void(std::string_view piece)>& take, std::string* why) {
  std::string whyNot;
  HANDLE h = OpenOwnFileWhileHeld(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, false, 0,
                                   whyNot);
  if (h == INVALID_HANDLE_VALUE) {
    if (why) *why = whyNot;
    return false;
  }
  return ReadAndClose(h, pieceSize, take);
}

bool CanOpenOwnFile(const std::string& path, bool forWriting, std::string& why) {
  // Opened without emptying and closed again: nothing of the file changes.
  HANDLE h = OpenOwnFileWhileHeld(path, forWriting ? GENERIC_WRITE : GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false, 0,
                                   why);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool CanChangeFolder(const std::string& folder, std::string& why) {
  const std::wstring wide = Widen(folder);
  if (!IsFolder(wide)) {
    why = Describe(GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES ? ERROR_PATH_NOT_FOUND
                                                                             : ERROR_DIRECTORY);
    return false;
  }
  // The right to add a file, asked of the folder itself: nothing is made.
  HANDLE h = CreateFileW(wide.c_str(), FILE_ADD_FILE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    why = Describe(GetLastError());
    return false;
  }
  CloseHandle(h);
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* why) {
  const std::wstring wide = Widen(path);
  HANDLE h = CreateFileWhileHeld(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD err = h == INVALID_HANDLE_VALUE ? OpenError(wide) : WriteAndClose(h, bytes, false);
  if (err != 0 && why) *why = Describe(err);
  return err == 0;
}

bool RemoveFileDurably(const std::string& path) {
  // Wine deletes the target of a Unix link, not the link: only a plain file is removed.
  const NameKind kind = KindOfName(path);
  if (kind != NameKind::kFile) return kind == NameKind::kNothing;
  const std::wstring wide = Widen(path);
  const DWORD err =
      RetryWhileHeld(wide, [&] { return DeleteFileW(wide.c_str()) ? 0 : GetLastError(); });
  if (err == 0) return true;
  return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
}

bool MakeFolder(const std::string& path) {
  return CreateDirectoryW(Widen(path).c_str(), nullptr) ||
         (GetLastError() == ERROR_ALREADY_EXISTS && FolderExists(path));
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  return CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE) != 0;
}

namespace {

// The names in a folder whose attributes `keep` accepts; "." and ".." left out.
std::vector<std::string> NamesIn(const std::string& path, bool (*keep)(DWORD attributes)) {
  std::vector<std::string> out;
  std::string pattern = path;
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileExW(Widen(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                              nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    std::string name = Narrow(data.cFileName);
    if (name != "." && name != ".." && keep(data.dwFileAttributes)) out.push_back(name);
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return out;
}

}  // namespace

std::vector<std::string> ListFolders(const std::string& path) {
  std::vector<std::string> out = NamesIn(path, [](DWORD a) {
    return (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_HIDDEN);
  });
  std::sort(out.begin(), out.end(),
            [](const std::string& a, const std::string& b) { return text::Upper(a) < text::Upper(b); });
  return out;
}

std::vector<std::string> ListPlainFiles(const std::string& path) {
  return NamesIn(path, [](DWORD a) {
    return !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  });
}

std::vector<std::string> ListDrives() {
  std::vector<std::string> out;
  DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (mask & (1u << i)) out.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
  }
  return out;
}

std::string ExecutablePath() {
  std::wstring path;
  if (!GrowToFit(path, [](wchar_t* buf, DWORD size) { return GetModuleFileNameW(nullptr, buf, size); }))
    return {};
  return Narrow(path);
}

}  // namespace sys
