// The folder selection dialog frmFolderSelect, as the browse buttons use it.
#pragma once

#include <string>

namespace druvo {

class FolderDialog {
 public:
  virtual ~FolderDialog() = default;
  virtual void SetTitle(const std::string& title) = 0;
  /// Sets the drive list's drive ("C:"); false when the drive cannot be read.
  virtual bool SetDrive(const std::string& drive) = 0;
  /// Sets the directory list's open folder; false when it cannot be opened.
  virtual bool SetFolder(const std::string& folder) = 0;
  /// Shows the dialog modally; on OK writes the open folder into `sPathName`.
  virtual void ShowModal(std::string& sPathName) = 0;
};

}  // namespace druvo
