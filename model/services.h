// The platform services the operations use where a test must be able to steer them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "model/folder_dialog.h"
#include "sys/clock.h"
#include "sys/diskfree.h"
#include "sys/fs.h"

namespace druvo {

struct Services {
  std::function<double()> secondsSinceMidnight;
  std::function<sys::LocalDateTime()> now;
  std::function<bool(const std::string& root, sys::DiskFreeNumbers&)> queryDiskFree;
  std::function<sys::RenameResult(const std::string& from, const std::string& to)> rename;
  /// Called just before each change a run makes to the database folder's own files (the
  /// journal, the record) and before each utility call; empty in the program. A test ends
  /// the process here to prove that a crash at that moment harms nothing.
  std::function<void(std::string_view what)> beforeChange;
  /// Whether the user asked to end the run after the file in hand (the console program's
  /// first Ctrl-C); empty: never.
  std::function<bool()> stopRequested;
  /// Creates the folder selection dialog; empty where the front end has none.
  std::function<std::unique_ptr<FolderDialog>()> newFolderDialog;
  std::string helpdesk;  // recipient, sender and sender name of the mail report
  std::string relay;     // SMTP relay, host or host:port

  /// Renames without ever replacing a file: through `rename` where a test set it.
  sys::RenameResult Rename(const std::string& from, const std::string& to) const {
    return rename ? rename(from, to) : sys::RenameNoReplace(from, to);
  }
  /// Tells the beforeChange hook, where a test set one.
  void BeforeChange(std::string_view what) const {
    if (beforeChange) beforeChange(what);
  }
  /// Whether the user asked to end the run after the file in hand.
  bool StopRequested() const { return stopRequested && stopRequested(); }
};

/// The real services; the help desk and relay from the build, overridden by
/// DRUVO_HELPDESK and DRUVO_SMTP_RELAY.
Services RealServices();

}  // namespace druvo
