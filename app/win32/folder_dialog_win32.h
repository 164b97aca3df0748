// frmFolderSelect as a native window: a modal tool window over frmDRUVO with the drive list
// Drive1, the directory list Dir1 and the buttons OK and Annuleren.
#pragma once

#include <windows.h>

#include <memory>

#include "model/folder_dialog.h"

namespace druvo::win32 {

/// A fresh dialog owned by `owner`; its lists start at the process's current folder.
std::unique_ptr<FolderDialog> NewFolderDialog(HINSTANCE instance, HWND owner);

}  // namespace druvo::win32
