// What the whole-run benchmarks share: one DRUVO run over an installation, and the plain
// shell loop a support engineer would type instead, running the same stand-in utility over
// the same data files in the same folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace bench {

/// The end of one timed command: seconds from start to end, its exit code (-1 when it could
/// not be started or did not end normally), and the processor time (user + system) of all
/// its processes, which another machine's load moves far less than the seconds (-1 where
/// it cannot be had: on Windows the programs of a command line are not counted together).
struct Timed {
  double seconds = 0;
  int exitCode = -1;
  double cpuSeconds = -1;
};

/// Points the run's mail at a closed loopback port: it fails at once, and the mail is not
/// what is measured.
void MailToClosedPort();

/// `druvo run --yes` (druvo-cli.exe on Windows) from beside this program, over the
/// installation in `root` (root/QMV, root/DATA), its output discarded.
Timed TimeDruvoRun(const std::filesystem::path& root);

/// A shell script (sh here, cmd on Windows) that changes to each catalogue entry's folder
/// and runs root/QMV/RCX.EXE N <file> 13 there, for all 32 entries.
Timed TimeShellLoop(const std::filesystem::path& root);

/// The date and time, and the load average where the system tells it (Linux): under what
/// load the figures beside it were taken.
std::string When();

/// Grows a demo data file to `size` bytes by repeating its records, the last copy cut at
/// `size`.
bool GrowDataFile(const std::filesystem::path& file, std::uint64_t size);

}  // namespace bench
