// The disk-space check before a run.
#pragma once

#include <cstdint>
#include <string>

#include "sys/diskfree.h"

namespace druvo {

class MainWindow;

/// Completes a drive text to a root path: "D" -> "D:\", "D:" -> "D:\", others unchanged.
std::string DriveRoot(const std::string& drive);

/// Free Kb from the query's four numbers: free clusters / 1024, rounded half to even,
/// times the cluster size. 64-bit, so 2 TiB and more are measured right.
std::int64_t FreeKbFromNumbers(const sys::DiskFreeNumbers& n);

/// The running total after one more file of `bytes`: total + (bytes + 1023) / 1024,
/// rounded half to even.
std::int64_t AddFileKb(std::int64_t total, std::int64_t bytes);

/// Free space in Kb of the volume of a drive ("D", "D:", "D:\") or folder; 0 when the
/// query fails.
std::int64_t GetFreeSpaceKb(MainWindow& w, const std::string& drive);

/// What the present data files of the catalogue occupy, in Kb as the disk check adds them.
/// Repaints the window once per entry; changes nothing.
std::int64_t RequiredKb(MainWindow& w);

/// The log line's figures: "Beschikbare schijfruimte : 4.001.792 Kb. Vereist : 1.234 Kb."
std::string DiskSpaceText(std::int64_t freeKb, std::int64_t requiredKb);

/// Compares the free space of the database folder's volume with what the present data files
/// occupy; asks "Voldoende schijfruimte ?" when the free space is undetermined (No ends the
/// program). Writes the log line. True when the run may go on.
bool CheckDiskSpace(MainWindow& w);

}  // namespace druvo
