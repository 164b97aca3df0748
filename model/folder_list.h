// What the folder selection dialog frmFolderSelect shows and does, apart from drawing it:
// the drive list's drive, the directory list's open folder and its lines, and how choosing
// a drive or opening a line moves them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace druvo {

/// One line of the directory list (Dir1).
struct FolderEntry {
  std::string name;     // as shown: the root with its separator ("C:\"), else the folder's name
  std::string path;     // full path of the folder
  int level = 0;        // indentation: 0 for the root
  bool opened = false;  // one of the open folder's chain, from the root to the open folder
};

/// The drive a path begins with, upper-cased ("C:"); empty when it begins with none
/// (an empty path, a network path, a POSIX path).
std::string DriveOf(const std::string& path);

/// The directory list of an open folder: the root, each folder down to the open folder (one
/// level deeper each), then the given subfolders one level below the open folder. Trailing
/// separators and doubled separators in `folder` are ignored.
std::vector<FolderEntry> FolderEntries(const std::string& folder,
                                       const std::vector<std::string>& subfolders);

/// The platform services the dialog uses; tests can replace them.
struct FolderPlatform {
  std::function<bool(const std::string& folder)> folderExists;
  /// The subfolders' names, sorted.
  std::function<std::vector<std::string>(const std::string& folder)> listFolders;
  /// The current folder on a drive ("C:") as a full path.
  std::function<std::string(const std::string& drive)> currentFolderOn;
  /// A folder as a full path (relative parts and "." / ".." resolved).
  std::function<std::string(const std::string& folder)> fullPath;
};

/// The machine's file system.
FolderPlatform RealFolderPlatform();

/// The current folder on a drive ("C:") as the system keeps it per drive; on POSIX, with
/// one root for every drive, the process's current folder.
std::string CurrentFolderOnDrive(const std::string& drive);
/// A folder as a full path; on POSIX, a relative one is taken from the current folder.
std::string FullFolderPath(const std::string& folder);

/// The state of the two lists. A failing change leaves both lists as they were.
class FolderSelection {
 public:
  /// Starts at `startFolder` (the process's current folder for a fresh dialog).
  FolderSelection(FolderPlatform platform, const std::string& startFolder);

  /// Picks a drive ("C:", or a path that begins with one). A change of drive moves the
  /// directory list to that drive's current folder; the same drive changes nothing. False
  /// when the drive cannot be read: the drive list then still shows the open folder's drive.
  bool SetDrive(const std::string& drive);
  /// Makes a folder the open folder; false when it is empty or does not exist.
  bool SetFolder(const std::string& folder);
  /// Opens a line of the directory list; false when there is no such line or its folder
  /// is gone (the list is then read again).
  bool Open(std::size_t index);

  const std::string& drive() const { return drive_; }
  const std::string& folder() const { return folder_; }
  const std::vector<FolderEntry>& entries() const { return entries_; }
  /// The line of the open folder.
  std::size_t openIndex() const { return openIndex_; }

 private:
  void Move(const std::string& folder);

  FolderPlatform platform_;
  std::string drive_;
  std::string folder_;
  std::vector<FolderEntry> entries_;
  std::size_t openIndex_ = 0;
};

}  // namespace druvo
