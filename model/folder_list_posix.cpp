#include "model/folder_list.h"
#include "sys/fs.h"

namespace druvo {

// Every drive letter is the one root "/" here.
std::string CurrentFolderOnDrive(const std::string&) { return sys::CurrentFolder(); }

std::string FullFolderPath(const std::string& folder) {
  if (folder.empty() || folder[0] == '/' || folder[0] == '\\' ||
      (folder.size() >= 2 && folder[1] == ':'))
    return folder;
  return sys::CurrentFolder() + "/" + folder;
}

}  // namespace druvo
