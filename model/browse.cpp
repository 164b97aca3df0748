// The two browse buttons "..." of frmDRUVO: the folder selection dialog, started at the
// row's variable, and on OK the chosen folder in the row's text box and variable.
#include <memory>

#include "model/browse.h"
#include "model/folder_dialog.h"
#include "model/folder_list.h"
#include "model/main_window.h"

namespace druvo {

void BrowseForFolder(MainWindow& w, bool programFolder) {
  w.sPathName.clear();
  if (!w.services.newFolderDialog) return;
  std::unique_ptr<FolderDialog> dialog = w.services.newFolderDialog();
  if (!dialog) return;

  // The start is the variable, not the box: text typed since the last Start or choice
  // does not move the dialog. A copy, since a run may change the variable meanwhile.
  const std::string start = programFolder ? w.sExePath : w.sDBPath;
  dialog->SetTitle(programFolder ? "Selecteer programma folder" : "Selecteer database folder");
  // Each step that fails (no drive in the start folder, a drive or folder that cannot be
  // read) is passed over; the lists then stay where the previous step left them.
  dialog->SetDrive(DriveOf(start));
  dialog->SetFolder(start);
  dialog->ShowModal(w.sPathName);
  dialog.reset();
  w.view.DoEvents();

  if (w.sPathName.empty()) return;
  const Control box = programFolder ? Control::txtExePath : Control::txtDatabasePath;
  w.view.SetText(box, w.sPathName);
  (programFolder ? w.sExePath : w.sDBPath) = w.view.Text(box);
}

}  // namespace druvo
