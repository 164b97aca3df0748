// The platform half of ShellandWait: starting a program and asking whether it still runs.
// Used by tools/process.cpp and the wait benchmark only.
#pragma once

#include <cstdint>
#include <memory>

#include "tools/process.h"

namespace druvo {

/// A started process. Destroying it releases the handle; the process itself runs on.
class StartedProcess {
 public:
  virtual ~StartedProcess() = default;

  enum class State { kRunning, kEnded, kUnknown };
  /// Whether the process still runs; kUnknown when the system could not say. A process
  /// that has ended is kEnded whatever its exit code.
  virtual State Query() = 0;
  /// The exit code, once Query() has said kEnded.
  virtual std::uint32_t ExitCode() const = 0;
  /// Whether it ended by a crash rather than by its own exit: a signal on POSIX, an exit
  /// code of the error class (0xC0000000 and up, such as 0xC0000005) on Windows.
  virtual bool EndedAbnormally() const = 0;
  /// Sleeps at most `ms` milliseconds; returns earlier when the process ends or (Win32)
  /// when input arrives for the window's thread.
  virtual void Pause(int ms) = 0;
};

/// Starts the command minimised without the focus (Win32), in the current folder. It runs to
/// its own end even when this program ends first, and shares the locks this program holds
/// (sys/file_lock.h). It runs in a process group of its own, so a Ctrl-C or hang-up of the
/// console ends this program only. Nothing when it cannot be started or its arguments cannot
/// be passed safely.
std::unique_ptr<StartedProcess> StartProcess(const Command& command);

}  // namespace druvo
