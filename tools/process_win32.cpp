#include <windows.h>

#include <optional>
#include <vector>

#include "sys/file_lock.h"
#include "sys/grow_win32.h"
#include "sys/text.h"
#include "sys/wide_win32.h"
#include "tools/process_platform.h"

namespace druvo {

namespace {

std::string Extension(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return text::Upper(path.substr(dot));
}

bool IsFile(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// One argument as the C runtime's parser reads it back: quotes around it when it is empty
// or holds blanks or quotes (always when `force`), a quote inside as \", and backslashes
// doubled only where they precede a quote.
std::wstring QuoteArg(const std::wstring& arg, bool force) {
  if (!force && !arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
    else out.append(backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

// A piece of the command line that cmd.exe reads. Inside quotes & | < > ^ ( ) , ; = are
// plain text to cmd, and a batch file that passes %1 on passes the quotes with it, so they
// stay inert there too. Quotes do not stop %NAME% expansion on cmd's command line: each %
// is written as %%cd:~,% - a lone % (the empty name between two % names no variable)
// followed by an empty substring of %CD% - which leaves a single %, cut off from any name
// after it. Windows does not expand the substituted %1..%9 again inside the batch file;
// Wine's cmd does, so under Wine a % in an argument or program folder handed to a batch
// file may still be expanded there (measured; the program path itself is safe). A quote,
// CR or LF cannot be carried through cmd at all: such a command is refused.
std::optional<std::wstring> CmdPiece(const std::wstring& arg, bool force) {
  if (arg.find_first_of(std::wstring(L"\"\r\n\0", 4)) != std::wstring::npos) return std::nullopt;
  const bool needsQuotes =
      force || arg.empty() || arg.find_first_of(L" \t,;=&|<>^()%!") != std::wstring::npos;
  std::wstring quoted = QuoteArg(arg, needsQuotes);
  std::wstring out;
  for (wchar_t c : quoted) {
    if (c == L'%') out += L"%%cd:~,%";
    else out.push_back(c);
  }
  return out;
}

std::wstring CommandInterpreter() {
  std::wstring dir;
  if (!sys::GrowToFit(dir, [](wchar_t* buf, DWORD size) { return GetSystemDirectoryW(buf, size); }))
    return L"cmd.exe";
  return dir + L"\\cmd.exe";
}

class Win32Process : public StartedProcess {
 public:
  explicit Win32Process(HANDLE process) : process_(process) {}
  ~Win32Process() override { CloseHandle(process_); }

  State Query() override {
    // The handle being signalled is what says the process ended: an exit code of 259
    // (STILL_ACTIVE) alone would keep a finished process "running" for ever.
    const DWORD w = WaitForSingleObject(process_, 0);
    if (w == WAIT_TIMEOUT) return State::kRunning;
    if (w != WAIT_OBJECT_0) return State::kUnknown;
    DWORD code = 0;
    if (GetExitCodeProcess(process_, &code)) exitCode_ = code;
    return State::kEnded;
  }

  std::uint32_t ExitCode() const override { return exitCode_; }
  bool EndedAbnormally() const override { return exitCode_ >= 0xC0000000u; }

  void Pause(int ms) override {
    // In a program with a window the wait wakes for the end of the process and for any
    // input to this thread, so the window answers at once while the wait costs no processor
    // time. The console program has no window and does not load user32 for this: it was its
    // only use there, and under Wine user32 and the libraries it draws in made every start
    // of the console program several times slower than a utility's.
    using MsgWait = DWORD(WINAPI*)(DWORD, const HANDLE*, BOOL, DWORD, DWORD);
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
      const auto wait = reinterpret_cast<MsgWait>(
          reinterpret_cast<void (*)()>(GetProcAddress(user32, "MsgWaitForMultipleObjects")));
      if (wait) {
        wait(1, &process_, FALSE, static_cast<DWORD>(ms), QS_ALLINPUT);
        return;
      }
    }
    WaitForSingleObject(process_, static_cast<DWORD>(ms));
  }

 private:
  HANDLE process_;
  std::uint32_t exitCode_ = 0;
};

}  // namespace

std::unique_ptr<StartedProcess> StartProcess(const Command& command) {
  // A program named without an extension ("...\RCX") is the .exe, as Windows finds it.
  std::string program = command.program;
  if (Extension(program).empty()) program += ".exe";
  const std::wstring wideProgram = sys::Widen(program);
  if (!IsFile(wideProgram)) return nullptr;

  const std::string ext = Extension(program);
  const bool batch = ext == ".BAT" || ext == ".CMD";
  std::wstring application;
  std::wstring line;
  if (batch) {
    // cmd /s /c strips the outer pair of quotes and runs the rest as typed; /d skips
    // AutoRun commands, /v:off keeps ! plain.
    auto piece = CmdPiece(wideProgram, true);
    if (!piece) return nullptr;
    std::wstring inner = *piece;
    for (const auto& a : command.args) {
      auto p = CmdPiece(sys::Widen(a), false);
      if (!p) return nullptr;
      inner += L" " + *p;
    }
    application = CommandInterpreter();
    line = L"cmd.exe /d /v:off /s /c \"" + inner + L"\"";
  } else {
    application = wideProgram;
    line = QuoteArg(wideProgram, true);
    for (const auto& a : command.args) line += L" " + QuoteArg(sys::Widen(a), false);
  }

  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  si.StartupInfo.wShowWindow = SW_SHOWMINNOACTIVE;
  // The child inherits exactly the handles of the locks held (the run's lock), through an
  // explicit list, so no other inheritable handle of this program leaks into it. It is not
  // put in a job that ends it with this program: a utility must finish its file.
  std::vector<void*> inherit = sys::HandlesForChildren();
  std::vector<char> attrStorage;
  LPPROC_THREAD_ATTRIBUTE_LIST attrs = nullptr;
  if (!inherit.empty()) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    attrStorage.resize(size);
    attrs = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attrStorage.data());
    if (!InitializeProcThreadAttributeList(attrs, 1, 0, &size)) return nullptr;
    if (!UpdateProcThreadAttribute(attrs, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherit.data(),
                                   inherit.size() * sizeof(HANDLE), nullptr, nullptr)) {
      DeleteProcThreadAttributeList(attrs);
      return nullptr;
    }
    si.lpAttributeList = attrs;
  }
  PROCESS_INFORMATION pi{};
  // No console window under the GUI, and nothing written into the console front end's
  // output: a program started directly gets no console at all (DETACHED_PROCESS: nothing to
  // make, so each call starts about 40 ms sooner than with a console of its own, and a
  // utility that would wait for a key at a console nobody sees goes on instead); cmd.exe gets
  // a console without a window (CREATE_NO_WINDOW), which the programs of the batch file share,
  // so that none of them opens a window of its own.
  // CREATE_NEW_PROCESS_GROUP: the child ignores Ctrl-C, and a Ctrl-C or Ctrl-Break aimed at
  // the console program's group never reaches it in the middle of its file.
  const DWORD flags = (batch ? CREATE_NO_WINDOW : DETACHED_PROCESS) | CREATE_NEW_PROCESS_GROUP |
                      CREATE_UNICODE_ENVIRONMENT | (attrs ? EXTENDED_STARTUPINFO_PRESENT : 0);
  const BOOL started = CreateProcessW(application.c_str(), line.data(), nullptr, nullptr,
                                      attrs ? TRUE : FALSE, flags, nullptr, nullptr,
                                      &si.StartupInfo, &pi);
  if (attrs) DeleteProcThreadAttributeList(attrs);
  if (!started) return nullptr;
  CloseHandle(pi.hThread);
  return std::make_unique<Win32Process>(pi.hProcess);
}

}  // namespace druvo
