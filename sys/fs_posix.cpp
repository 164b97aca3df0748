#include "sys/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <unordered_map>

#include "sys/fs_posix.h"
#include "sys/piece_buffer.h"
#include "sys/reason.h"
#include "sys/text.h"

namespace sys {

namespace {

struct Parsed {
  bool absolute = false;
  std::vector<std::string> parts;
};

// "C:\QMV\data" -> absolute, {QMV, data}; "rcx.log" -> relative, {rcx.log}.
Parsed Parse(const std::string& path) {
  Parsed p;
  std::string_view s = path;
  if (s.size() >= 2 && s[1] == ':' &&
      ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))) {
    s.remove_prefix(2);
    p.absolute = true;
  }
  if (!s.empty() && (s[0] == '\\' || s[0] == '/')) p.absolute = true;
  std::string part;
  for (char c : s) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) p.parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) p.parts.push_back(part);
  return p;
}

bool Exists(const std::string& p) {
  struct stat st;
  return lstat(p.c_str(), &st) == 0;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir == "/") return "/" + name;
  return dir + "/" + name;
}

// Names a folder walk found in other case, by folder and upper-cased name. A run asks for
// the same names in other case again and again (the disk check asks for every data file by
// its upper-cased full path, every utility call for "RCX.exe"), and each time the walk read
// the whole folder. A name kept is used only while it exists; the name as given, when it
// exists, still wins.
class FoundNames {
 public:
  std::optional<std::string> Get(const std::string& key) {
    const std::lock_guard<std::mutex> hold(mutex_);
    auto it = names_.find(key);
    if (it == names_.end()) return std::nullopt;
    return it->second;
  }
  void Put(const std::string& key, const std::string& name) {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (names_.size() >= 1024) names_.clear();
    names_[key] = name;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, std::string> names_;
};

FoundNames& Found() {
  static FoundNames found;
  return found;
}

// The name in `dir` matching `name` without regard to case; an exact match wins (with
// `exactMissing`, the caller has just found it missing). A name kept from an earlier look-up
// is checked to exist, unless the caller trusts it (and checks what it finds at the end):
// `tookKept` then says whether the answer is such a name.
std::optional<std::string> MatchInFolder(const std::string& dir, const std::string& name,
                                         bool exactMissing = false, bool trustKept = false,
                                         bool* tookKept = nullptr) {
  if (tookKept) *tookKept = false;
  if (name == "." || name == "..") return name;
  if (!exactMissing && Exists(Join(dir.empty() ? "." : dir, name))) return name;
  std::string want = text::Upper(name);
  // Kept for folders from the root only: a relative one changes with the current folder.
  const bool keep = !dir.empty() && dir[0] == '/';
  const std::string key = keep ? Join(dir, want) : std::string();
  if (keep) {
    if (auto kept = Found().Get(key)) {
      if (trustKept && tookKept) {
        *tookKept = true;
        return kept;
      }
      if (Exists(Join(dir, *kept))) return kept;
    }
  }
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* e = readdir(d)) {
    // Upper-casing keeps a name's length in bytes: most names are passed over unconverted.
    if (std::strlen(e->d_name) == want.size() && text::Upper(e->d_name) == want) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  if (found && keep) Found().Put(key, *found);
  return found;
}

std::string FolderOf(const std::string& resolved);

// Resolves the folder part of a path; with `keep_last` the last component is resolved too
// when it exists, and kept as given when it does not (a name about to be created).
// `seen`, where given, gets the lstat of the path returned when the look-up took one on its
// way (st_mode 0 otherwise), so that the caller need not ask again.
std::optional<std::string> Resolve(const std::string& path, bool last_must_exist,
                                   struct stat* seen = nullptr) {
  if (seen) seen->st_mode = 0;
  Parsed p = Parse(path);
  std::string cur = p.absolute ? "/" : "";
  if (p.parts.empty()) return p.absolute ? std::optional<std::string>("/") : std::nullopt;
  // Names nearly always come as they are on disk: when the whole path exists as given, each
  // step below would find its exact name too, and one lstat does for all of them.
  // The same holds for the folder part when only the last name is not as given (a name
  // about to be made, a name in other case): the walk starts at the last name.
  std::string exact = cur;
  for (std::size_t i = 0; i + 1 < p.parts.size(); ++i) exact = Join(exact, p.parts[i]);
  const std::string folder = exact;
  exact = Join(exact, p.parts.back());
  struct stat st;
  if (lstat(exact.c_str(), &st) == 0) {
    if (seen) *seen = st;
    return exact;
  }
  std::size_t first = 0;
  if (p.parts.size() > 1 && Exists(folder)) {
    first = p.parts.size() - 1;
    cur = folder;
  }
  // Folders on the way found in other case before are taken unchecked: the last name's
  // look-up in the last of them checks them all. When that finds nothing, one of them may
  // be gone, and the walk is made again, every name checked.
  const std::string start = cur;
  for (bool trustKept : {true, false}) {
    cur = start;
    bool tookUnchecked = false;
    std::optional<std::string> result;
    for (std::size_t i = first; i < p.parts.size(); ++i) {
      const bool last = i + 1 == p.parts.size();
      bool took = false;
      // The last name as given was found missing above when the walk starts at it.
      auto m = MatchInFolder(cur, p.parts[i], i == first && last, trustKept && !last, &took);
      tookUnchecked = tookUnchecked || took;
      if (!m) {
        if (last && !last_must_exist) result = Join(cur, p.parts[i]);
        break;
      }
      cur = Join(cur, *m);
      if (last) result = cur;
    }
    const bool lastFound = result && result == cur;
    if (lastFound || !tookUnchecked || (result && Exists(FolderOf(*result)))) return result;
  }
  return std::nullopt;
}

// stat() of a path Resolve returned: the lstat it took, where that was of no link.
bool StatOf(const std::string& resolved, const struct stat& seen, struct stat& st) {
  if (seen.st_mode != 0 && !S_ISLNK(seen.st_mode)) {
    st = seen;
    return true;
  }
  return stat(resolved.c_str(), &st) == 0;
}

bool HasWildcard(const std::string& path) {
  return path.find_first_of("*?") != std::string::npos;
}

std::string LastComponent(const std::string& p) {
  auto pos = p.find_last_of('/');
  return pos == std::string::npos ? p : p.substr(pos + 1);
}

std::string Describe(int err) { return Reason(static_cast<unsigned long>(err)); }

std::string FolderOf(const std::string& resolved) {
  auto pos = resolved.find_last_of('/');
  if (pos == std::string::npos) return ".";
  return pos == 0 ? "/" : resolved.substr(0, pos);
}

// A new, renamed or removed name is on disk only once its folder is flushed.
bool SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

// Writes all the bytes to an open file and closes it. With `durable` they are flushed to
// disk first. 0, or the errno of the step that failed.
int WriteAndClose(int fd, std::string_view bytes, bool durable) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that takes nothing more has met a full disk, whether it says so or not.
      const int err = n < 0 ? errno : ENOSPC;
      close(fd);
      return err;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  if (durable && fsync(fd) != 0) {
    const int err = errno;
    close(fd);
    return err;
  }
  // A file system that writes later (a network share) tells its failure at the close.
  if (close(fd) != 0) return errno;
  return 0;
}

// Clears O_NONBLOCK, which served only to open without waiting.
bool Blocking(int fd) {
  const int fl = fcntl(fd, F_GETFL);
  return fl >= 0 && fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) == 0;
}

// Reads an open file of `size` bytes (-1: not known) in pieces, to its end, and closes it.
bool ReadAndClose(int fd, std::size_t pieceSize, std::int64_t size,
                  const std::function<void(std::string_view)>& take) {
  const PieceBuffer buf(pieceSize, size);
  bool ok = true;
  for (;;) {
    ssize_t n = read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    take(std::string_view(buf.data(), static_cast<std::size_t>(n)));
  }
  close(fd);
  return ok;
}


NameKind KindOf(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return NameKind::kFile;
  if (S_ISLNK(st.st_mode)) return NameKind::kLink;
  if (S_ISDIR(st.st_mode)) return NameKind::kFolder;
  if (S_ISFIFO(st.st_mode)) return NameKind::kFifo;
  return NameKind::kOther;
}

// The own file this program last appended to and whose folder it flushed afterwards, told
// by its identity. Appending to it again changes the file, never its folder's entry, so the
// folder need not be flushed again: a run appends a line to its record before every utility
// call, and a folder flush per line cost as much again as the line's own. A file made anew at
// the name (empty when opened) or any rename or removal by this program flushes it again.
struct FlushedEntry {
  std::string path;
  dev_t dev = 0;
  ino_t ino = 0;
};
std::mutex flushedMutex;
FlushedEntry flushed;

void ForgetFlushedEntry() {
  const std::lock_guard<std::mutex> hold(flushedMutex);
  flushed = FlushedEntry{};
}

// Writes one of the program's own files and flushes it and its folder's entry to disk:
// appended to, or made new (O_EXCL: never one that stands there already, which stays as it
// was). 0, or the errno of the step that failed, `why` then saying it.
int WriteOwnFile(const std::string& path, std::string_view bytes, bool append, std::string& why) {
  const int fd = OpenOwnFile(path, O_WRONLY | O_CLOEXEC | (append ? O_APPEND : O_EXCL), true, why);
  if (fd < 0) return errno;
  struct stat st;
  const bool hadBytes = fstat(fd, &st) == 0 && st.st_size > 0;
  int err = WriteAndClose(fd, bytes, true);
  auto r = Resolve(path, false);
  if (err == 0 && r) {
    const std::lock_guard<std::mutex> hold(flushedMutex);
    const bool known = append && hadBytes && flushed.path == *r && flushed.dev == st.st_dev &&
                       flushed.ino == st.st_ino;
    if (!known && !SyncFolder(FolderOf(*r))) err = errno;
    if (err == 0 && append && !known) flushed = FlushedEntry{*r, st.st_dev, st.st_ino};
    else if (err != 0 || !append) flushed = FlushedEntry{};
  }
  if (err != 0) {
    why = Describe(err);
    // A new file that could not be written whole is not left behind half made.
    if (!append && r) unlink(r->c_str());
  }
  return err;
}

}  // namespace

NameKind KindOfName(const std::string& path) {
  struct stat st;
  auto r = Resolve(path, true, &st);
  if (!r || (st.st_mode == 0 && lstat(r->c_str(), &st) != 0)) return NameKind::kNothing;
  return KindOf(st);
}

int OpenOwnFile(const std::string& path, int flags, bool create, std::string& why) {
  // The last name is matched without regard to case, never followed: O_NOFOLLOW refuses a
  // link there, O_NONBLOCK opens a FIFO without waiting for its other end.
  auto r = Resolve(path, false);
  if (!r) {
    why = Describe(ENOENT);
    errno = ENOENT;
    return -1;
  }
  const int base = flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  int fd = -1;
  bool made = false;
  for (int tries = 0; fd < 0 && tries < 3; ++tries) {
    if (create) {
      fd = open(r->c_str(), base | O_CREAT | O_EXCL, 0666);
      made = fd >= 0;
      if (fd >= 0 || errno != EEXIST || (flags & O_EXCL)) break;
    }
    fd = open(r->c_str(), base);
    // Gone between the two opens: made anew on the next try.
    if (fd >= 0 || !create || errno != ENOENT) break;
  }
  struct stat st;
  if (fd < 0) {
    const int err = errno;
    // A link (O_NOFOLLOW), a FIFO without a reader or a folder is told as what it is.
    const bool named = lstat(r->c_str(), &st) == 0 && !S_ISREG(st.st_mode);
    why = named ? NotAPlainFile(KindOf(st)) : Describe(err);
    errno = err;
    return -1;
  }
  const bool stated = fstat(fd, &st) == 0;
  if (!stated || !S_ISREG(st.st_mode) || !Blocking(fd)) {
    const int err = stated && !S_ISREG(st.st_mode) ? EINVAL : errno;
    why = err == EINVAL ? NotAPlainFile(KindOf(st)) : Describe(err);
    close(fd);
    errno = err;
    return -1;
  }
  // Every user of the folder uses the same files: the umask must not take their rights.
  if (made) fchmod(fd, 0666);
  return fd;
}

bool WriteNewFileDurably(const std::string& path, std::string_view bytes, std::string* why) {
  std::string whyNot;
  const bool ok = WriteOwnFile(path, bytes, false, whyNot) == 0;
  if (!ok && why) *why = whyNot;
  return ok;
}

bool AppendFileDurably(const std::string& path, std::string_view bytes, std::string* why) {
  std::string whyNot;
  const bool ok = WriteOwnFile(path, bytes, true, whyNot) == 0;
  if (!ok && why) *why = whyNot;
  return ok;
}

bool ReplaceFileDurably(const std::string& path, std::string_view bytes, std::string* why) {
  ForgetFlushedEntry();
  std::string whyNot;
  auto r = Resolve(path, false);
  struct stat st;
  int err = r ? 0 : ENOENT;
  if (!r) whyNot = Describe(err);
  else if (lstat(r->c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    err = EINVAL;
    whyNot = NotAPlainFile(KindOf(st));
  }
  // The bytes go to a new file beside it, which then takes the name: rename() replaces the
  // name itself, so a link that appears there meanwhile is replaced, never written through.
  for (int n = 1; err == 0; ++n) {
    const std::string made = *r + ".new" + std::to_string(n);
    err = WriteOwnFile(made, bytes, false, whyNot);
    if (err == EEXIST && n < 99) {
      err = 0;  // left by a run that ended half-way, or another window's: the next number
      continue;
    }
    if (err == 0 && (rename(made.c_str(), r->c_str()) != 0 || !SyncFolder(FolderOf(*r)))) {
      err = errno;
      whyNot = Describe(err);
      unlink(made.c_str());
    }
    break;
  }
  if (err != 0 && why) *why = whyNot;
  return err == 0;
}

bool ReadOwnFile(const std::string& path, std::size_t pieceSize,
                 const std::function<void(std::string_view piece)>& take, std::string* why) {
  std::string whyNot;
  const int fd = OpenOwnFile(path, O_RDONLY | O_CLOEXEC, false, whyNot);
  if (fd < 0) {
    if (why) *why = whyNot;
    return false;
  }
  struct stat st;
  return ReadAndClose(fd, pieceSize, fstat(fd, &st) == 0 ? st.st_size : -1, take);
}

bool CanOpenOwnFile(const std::string& path, bool forWriting, std::string& why) {
  // Opened without O_TRUNC and closed again: nothing of the file changes.
  const int fd = OpenOwnFile(path, (forWriting ? O_WRONLY : O_RDONLY) | O_CLOEXEC, false, why);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool CanChangeFolder(const std::string& folder, std::string& why) {
  auto r = Resolve(folder, true);
  struct stat st;
  int err = 0;
  if (!r || stat(r->c_str(), &st) != 0) err = ENOENT;
  else if (!S_ISDIR(st.st_mode)) err = ENOTDIR;
  else if (access(r->c_str(), W_OK | X_OK) != 0) err = errno;
  if (err != 0) why = Describe(err);
  return err == 0;
}

bool RemoveFileDurably(const std::string& path) {
  ForgetFlushedEntry();
  auto r = Resolve(path, true);
  if (!r) return true;
  if (unlink(r->c_str()) != 0) return errno == ENOENT;
  return SyncFolder(FolderOf(*r));
}

std::optional<std::string> FindPlainFile(const std::string& path) {
  if (HasWildcard(path)) return std::nullopt;
  struct stat seen, st;
  auto r = Resolve(path, true, &seen);
  if (!r) return std::nullopt;
  if (!StatOf(*r, seen, st) || !S_ISREG(st.st_mode)) return std::nullopt;
  std::string name = LastComponent(*r);
  if (name.empty() || name[0] == '.') return std::nullopt;
  return name;
}

std::optional<std::string> ResolveExisting(const std::string& path) {
  struct stat seen, st;
  auto r = Resolve(path, true, &seen);
  if (!r || !StatOf(*r, seen, st)) return std::nullopt;
  return r;
}

bool FolderExists(const std::string& path) {
  struct stat seen, st;
  auto r = Resolve(path, true, &seen);
  return r && StatOf(*r, seen, st) && S_ISDIR(st.st_mode);
}

std::optional<std::int64_t> FileSize(const std::string& path) {
  struct stat seen, st;
  auto r = Resolve(path, true, &seen);
  if (!r || !StatOf(*r, seen, st)) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

std::optional<LocalDateTime> LastModified(const std::string& path) {
  struct stat seen, st;
  auto r = Resolve(path, true, &seen);
  if (!r || !StatOf(*r, seen, st)) return std::nullopt;
  time_t secs = st.st_mtime;
  tm t{};
  localtime_r(&secs, &t);
  LocalDateTime d;
  d.year = t.tm_year + 1900;
  d.month = t.tm_mon + 1;
  d.day = t.tm_mday;
  d.hour = t.tm_hour;
  d.minute = t.tm_min;
  d.second = t.tm_sec;
  d.millisecond = static_cast<int>(st.st_mtim.tv_nsec / 1000000);
  return d;
}

bool SetCurrentDrive(char) { return true; }

bool SetCurrentFolder(const std::string& path) {
  auto r = Resolve(path, true);
  return r && chdir(r->c_str()) == 0;
}

std::string CurrentFolder() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

std::string FullPath(const std::string& path) {
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  std::string_view s = path;
  const bool drive = s.size() >= 2 && s[1] == ':' &&
                     ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
  if (drive) {
    if (s.size() >= 3 && separator(s[2])) return path;
    s.remove_prefix(2);
  } else if (!s.empty() && separator(s[0])) {
    return path;  // from the root already: "\DATA", "\\server\share", "/srv/data"
  }
  // Completed by name, as Windows does: ".." takes away the folder before it.
  std::vector<std::string> parts = Parse(CurrentFolder()).parts;
  for (const std::string& part : Parse(std::string(s)).parts) {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (part != ".") {
      parts.push_back(part);
    }
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  if (full.empty() || (!s.empty() && separator(s.back()))) full += "/";
  return full;
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
  ForgetFlushedEntry();
  RenameResult res;
  auto src = Resolve(from, true);
  if (!src) {
    res.status = RenameStatus::kSourceMissing;
    res.why = "bestand niet gevonden";
    return res;
  }
  auto dst = Resolve(to, false);
  if (!dst) {
    res.status = RenameStatus::kFailed;
    res.why = "map niet gevonden";
    return res;
  }
  if (Exists(*dst)) {
    res.status = RenameStatus::kTargetTaken;
    res.why = "naam is al in gebruik";
    return res;
  }
  // RENAME_NOREPLACE makes the check and the rename one step; file systems without it
  // get link + unlink, which fails just as safely on a taken name.
  long rc = syscall(SYS_renameat2, AT_FDCWD, src->c_str(), AT_FDCWD, dst->c_str(), 1u);
  if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
    if (link(src->c_str(), dst->c_str()) == 0) {
      if (unlink(src->c_str()) == 0) rc = 0;
      else {
        int e = errno;
        unlink(dst->c_str());
        errno = e;
      }
    }
  }
  if (rc == 0) {
    res.status = RenameStatus::kOk;
    SyncFolder(FolderOf(*dst));
    if (FolderOf(*src) != FolderOf(*dst)) SyncFolder(FolderOf(*src));
    return res;
  }
  res.status = errno == EEXIST ? RenameStatus::kTargetTaken : RenameStatus::kFailed;
  res.why = Describe(errno);
  return res;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  auto r = Resolve(path, true);
  if (!r) return false;
  FILE* f = fopen(r->c_str(), "rb");
  if (!f) return false;
  bytes.clear();
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

bool ReadFileInPieces(const std::string& path, std::size_t pieceSize,
                      const std::function<void(std::string_view)>& take) {
  auto r = Resolve(path, true);
  if (!r) return false;
  // O_NONBLOCK: opening a FIFO must not wait for a writer; its type is then seen below.
  int fd = open(r->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  return ReadAndClose(fd, pieceSize, st.st_size, take);
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* why) {
  auto r = Resolve(path, false);
  // O_NONBLOCK: a FIFO at the name without a reader fails at once instead of waiting.
  int fd = r ? open(r->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666)
             : -1;
  int err = !r ? ENOENT : fd < 0 ? errno : 0;
  if (fd >= 0 && !Blocking(fd)) {
    err = errno;
    close(fd);
  }
  if (err == 0) err = WriteAndClose(fd, bytes, false);
  if (err != 0 && why) *why = Describe(err);
  return err == 0;
}

bool MakeFolder(const std::string& path) {
  auto r = Resolve(path, false);
  return r && (mkdir(r->c_str(), 0777) == 0 || (errno == EEXIST && FolderExists(path)));
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  std::string bytes;
  if (!ReadWholeFile(from, bytes) || !WriteWholeFile(to, bytes)) return false;
  struct stat st;
  auto src = Resolve(from, true);
  auto dst = Resolve(to, true);
  if (src && dst && stat(src->c_str(), &st) == 0) chmod(dst->c_str(), st.st_mode & 07777);
  return true;
}

namespace {

// The names in a folder, hidden ones left out, whose kind (stat's file type) is `type`.
std::vector<std::string> NamesOfType(const std::string& path, mode_t type) {
  std::vector<std::string> out;
  auto r = Resolve(path, true);
  if (!r) return out;
  DIR* d = opendir(r->c_str());
  if (!d) return out;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    struct stat st;
    if (stat(Join(*r, e->d_name).c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type) out.push_back(e->d_name);
  }
  closedir(d);
  return out;
}

}  // namespace

std::vector<std::string> ListFolders(const std::string& path) {
  std::vector<std::string> out = NamesOfType(path, S_IFDIR);
  std::sort(out.begin(), out.end(),
            [](const std::string& a, const std::string& b) { return text::Upper(a) < text::Upper(b); });
  return out;
}

std::vector<std::string> ListPlainFiles(const std::string& path) { return NamesOfType(path, S_IFREG); }

// Another program's open file keeps nobody out on POSIX: there is nothing to try.
ExclusiveOpen TryExclusiveOpen(const std::string&) { return ExclusiveOpen::kFree; }

std::vector<std::string> ListDrives() { return {"/"}; }

std::string ExecutablePath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = '\0';
  return buf;
}

}  // namespace sys
