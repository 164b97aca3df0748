#include "model/folder_list.h"

#include <utility>

#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A path taken apart: its root (with the trailing separator), the separator its folders
// are joined with, and the folder names below the root.
struct SplitPath {
  std::string root;
  char sep = '\\';
  std::vector<std::string> parts;

  std::string Join(std::size_t count) const {
    std::string p = root;
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) p += sep;
      p += parts[i];
    }
    return p;
  }
};

std::vector<std::string> Components(std::string_view rest) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : rest) {
    if (IsSeparator(c)) {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

SplitPath Split(const std::string& path) {
  SplitPath s;
  std::string_view rest = path;
  if (path.size() >= 2 && IsLetter(path[0]) && path[1] == ':') {
    s.root.assign(path, 0, 2);
    s.root += '\\';
    rest.remove_prefix(2);
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // A network path: \\server\share is its root.
    std::vector<std::string> all = Components(rest);
    s.root.append(2, '\\');
    std::size_t taken = 0;
    for (; taken < all.size() && taken < 2; ++taken) {
      s.root += all[taken];
      s.root += '\\';
    }
    s.parts.assign(all.begin() + static_cast<std::ptrdiff_t>(taken), all.end());
    return s;
  } else if (!path.empty() && path[0] == '/') {
    s.root.push_back('/');
    s.sep = '/';
  } else if (!path.empty() && path[0] == '\\') {
    s.root.push_back('\\');
  }
  s.parts = Components(rest);
  return s;
}

}  // namespace

std::string DriveOf(const std::string& path) {
  if (path.size() < 2 || !IsLetter(path[0]) || path[1] != ':') return {};
  std::string drive = text::Upper(std::string_view(path).substr(0, 1));
  drive += ':';
  return drive;
}

std::vector<FolderEntry> FolderEntries(const std::string& folder,
                                       const std::vector<std::string>& subfolders) {
  const SplitPath s = Split(folder);
  std::vector<FolderEntry> out;
  out.push_back({s.root, s.root, 0, true});
  for (std::size_t i = 0; i < s.parts.size(); ++i)
    out.push_back({s.parts[i], s.Join(i + 1), static_cast<int>(i + 1), true});
  const std::string open = s.Join(s.parts.size());
  const int level = static_cast<int>(s.parts.size()) + 1;
  for (const std::string& name : subfolders) {
    std::string path = open;
    if (!s.parts.empty() || s.root.empty()) path += s.sep;
    out.push_back({name, path + name, level, false});
  }
  return out;
}

FolderPlatform RealFolderPlatform() {
  FolderPlatform p;
  p.folderExists = sys::FolderExists;
  p.listFolders = sys::ListFolders;
  p.currentFolderOn = CurrentFolderOnDrive;
  p.fullPath = FullFolderPath;
  return p;
}

FolderSelection::FolderSelection(FolderPlatform platform, const std::string& startFolder)
    : platform_(std::move(platform)) {
  Move(platform_.fullPath(startFolder));
}

bool FolderSelection::SetDrive(const std::string& drive) {
  const std::string letter = DriveOf(drive);
  if (letter.empty()) return false;
  if (letter == drive_) return true;
  const std::string current = platform_.currentFolderOn(letter);
  if (current.empty() || !platform_.folderExists(current)) return false;
  Move(current);
  return true;
}

bool FolderSelection::SetFolder(const std::string& folder) {
  if (text::Trim(folder).empty()) return false;
  const std::string full = platform_.fullPath(folder);
  if (full.empty() || !platform_.folderExists(full)) return false;
  Move(full);
  return true;
}

bool FolderSelection::Open(std::size_t index) {
  if (index >= entries_.size()) return false;
  const std::string target = entries_[index].path;
  if (!platform_.folderExists(target)) {
    Move(folder_);
    return false;
  }
  Move(target);
  return true;
}

void FolderSelection::Move(const std::string& folder) {
  const SplitPath s = Split(folder);
  folder_ = s.Join(s.parts.size());
  drive_ = DriveOf(folder_);
  entries_ = FolderEntries(folder_, platform_.listFolders(folder_));
  openIndex_ = s.parts.size();
}

}  // namespace druvo
