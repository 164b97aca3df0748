// The disk-space check before the loop.
#pragma once

namespace druvo {

class MainWindow;

/// Compares the free space of the database folder's volume with what the present data files
/// occupy; asks "Voldoende schijfruimte ?" only when the free space cannot be measured (No
/// ends the program). A full volume (0 Kb) is too little. Writes the log line. True when the
/// run may go on.
bool CheckDiskSpace(MainWindow& w);

}  // namespace druvo
