// Helpers shared by the tests: real temporary folders and files.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

/// A fresh folder under the system's temporary folder, removed with its content at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  /// The folder's path in the platform's form.
  const std::string& path() const { return path_; }
  /// path() + separator + relative (relative may use "/").
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

/// Writes bytes to a file, creating its folders.
void WriteFile(const std::string& path, std::string_view bytes);
/// Reads a whole file; empty when missing.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
/// Makes a symbolic link at `at` to `target`: POSIX symlink(); under Wine a Unix link, made by
/// the Unix `ln` (Wine shows it as a plain file). False where neither can be made.
bool MakeSymbolicLink(const std::string& target, const std::string& at);
/// Removes such a link itself (Wine's own removal would remove its target).
void RemoveSymbolicLink(const std::string& at);
/// Sets a file's last-modified time (local time).
void SetModified(const std::string& path, int year, int month, int day, int hour, int minute);

/// Sets or removes an environment variable of this process.
void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

/// The process's current folder, restored when the guard ends (tests change it).
class CurrentFolderGuard {
 public:
  CurrentFolderGuard();
  ~CurrentFolderGuard();

 private:
  std::string saved_;
};

/// The folder holding the built programs (the test binary's own folder).
std::string BinDir();
/// A built program's path: name + ".exe" on Windows.
std::string Program(const std::string& name);

/// Runs a program as a process with the arguments as one text (in double quotes where they
/// hold blanks, as the shell and the C runtime both read them) and returns its exit code. Its stdout goes to `stdoutFile` when one
/// is named, its stderr to `stderrFile` when one is named; otherwise nowhere.
int RunProgram(const std::string& program, const std::string& args,
               const std::string& stdoutFile = "", const std::string& stderrFile = "");

/// Runs the console program (druvo, druvo-cli.exe) as RunProgram does.
int RunConsoleProgram(const std::string& args, const std::string& stdoutFile = "",
                      const std::string& stderrFile = "");

/// Puts a text in double quotes for such an argument text.
std::string Quote(const std::string& s);

/// A test that another test starts as a process of its own, to end it or signal it there.
/// Outside that process it is skipped: its first statement is DRUVO_CHILD_ONLY().
#define DRUVO_CHILD_ONLY()                                         \
  if (!::testing_support::RunningAsChild()) GTEST_SKIP() << "a child of another test"
bool RunningAsChild();

/// While it lives, test `suite.name` of a test program started by this one runs as such a
/// child; `filter` is the argument that selects it.
class AsChild {
 public:
  explicit AsChild(const std::string& test);
  ~AsChild();
  AsChild(const AsChild&) = delete;
  AsChild& operator=(const AsChild&) = delete;
  const std::string filter;
};

}  // namespace testing_support
