// The host still open: a data file that another program (the host application QMV) holds
// open must not be handed to the utility or renamed, so a Start checks them all first.
#pragma once

#include <string>

namespace druvo {

class MainWindow;

/// "<file> is in gebruik door een ander programma. Sluit QMV af en druk opnieuw op Start."
std::string InUseText(const std::string& file);

/// Whether no other program holds a present data file of the catalogue open, in
/// w.sDBPath with w.dataFileSuffix: each is opened with no sharing and closed at once. While
/// some file is in use the check tries again, about 2 s in all, for a program that is just
/// closing it. Then the Start command is refused: a message box with OK names the file as
/// its record key ("QMVWORK\QWOMISWT.DAT"), both buttons are enabled again, the focus goes to
/// Start, w.outcome is kRefused and false comes back. Always true on POSIX.
bool DataFilesFree(MainWindow& w);

}  // namespace druvo
