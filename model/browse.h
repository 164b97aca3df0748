// The two browse buttons "..." of frmDRUVO.
#pragma once

namespace druvo {

class MainWindow;

/// A browse button: the folder dialog, and the box and variable on OK.
void BrowseForFolder(MainWindow& w, bool programFolder);

}  // namespace druvo
