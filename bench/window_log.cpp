// A utility's log into the log view, as the run appends it (AppendLogToView, line by line,
// events after each line): lines per second into the real window's text box, against the
// console front end's (text to a file). On Windows (and under Wine, inside Xvfb) the real
// window is made and shown; elsewhere, or without a display, only the console is measured.
// For comparison, the window's text box edited once per line as before (append, trim, caret,
// events), over the first hundred lines: under Wine a full box takes tens of milliseconds
// for each of these edits.
//   window_log [LINES]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/console/console_view.h"
#include "model/main_window.h"
#include "tools/log_view.h"

#ifdef _WIN32
#include <windows.h>

#include "app/win32/main_window_win32.h"
#include "app/win32/message_loop_win32.h"
#include "app/win32/resource.h"
#include "sys/text.h"
#include "sys/wide_win32.h"
#endif

namespace fs = std::filesystem;


namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// A utility's log of old data full of invalid numbers: ERROR lines, the summary last.
bool WriteLog(const fs::path& path, int lines) {
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < lines - 1; ++i)
    out << "ERROR line " << i + 1 << ": 0306406153: wrong check digit\r\n";
  out << "Summary: 0 converted, 0 unchanged, " << lines - 1 << " errors\r\n";
  return static_cast<bool>(out);
}

struct Figure {
  double seconds = 0;
  int errors = 0;
  std::size_t chars = 0;
};

Figure Console(const fs::path& log, const fs::path& outPath) {
  std::FILE* out = std::fopen(outPath.string().c_str(), "wb");
  if (!out) return {};
  druvo::ConsoleView view(druvo::ConsoleAnswers::kYes, out, stderr, stdin);
  druvo::MainWindow w(view);
  const auto t0 = Clock::now();
  druvo::AppendLogToView(w, log.string());
  std::fflush(out);
  const auto t1 = Clock::now();
  std::fclose(out);
  return {Seconds(t0, t1), w.errorCount, w.log.Chars()};
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20000;
  const fs::path dir = fs::temp_directory_path() / "druvo-window-log";
  fs::create_directories(dir);
  const fs::path log = dir / "QWIMAPD.Log";
  if (!WriteLog(log, lines)) {
    std::printf("cannot write %s\n", log.string().c_str());
    return 1;
  }
  std::printf("window_log: %d log lines of about 50 characters, the view capped at 50,000\n",
              lines);

  const Figure console = Console(log, dir / "console-out.txt");
  std::printf("  console (text to a file):      %8.3f s, %9.0f lines/s, %d errors counted\n",
              console.seconds, lines / console.seconds, console.errors);

#ifdef _WIN32
  druvo::win32::Win32MainWindow view(GetModuleHandleW(nullptr));
  druvo::MainWindow w(view);
  if (!view.Create(w)) {
    std::printf("  window: none can be made here (no display)\n");
    return 0;
  }
  view.Show();
  druvo::win32::PumpPendingMessages();
  HWND box = GetDlgItem(view.hwnd(), IDC_TXTLOG);

  const auto t0 = Clock::now();
  druvo::AppendLogToView(w, log.string());
  view.FlushLog();
  const auto t1 = Clock::now();
  const double window = Seconds(t0, t1);
  const int units = GetWindowTextLengthW(box);
  std::wstring shown(static_cast<std::size_t>(units) + 1, L'\0');
  GetWindowTextW(box, shown.data(), units + 1);
  shown.resize(static_cast<std::size_t>(units));
  const bool same = sys::Narrow(shown) == w.LogViewText();
  std::printf("  window (the real text box):    %8.3f s, %9.0f lines/s, %d errors counted, "
              "box %s the log view's %zu characters\n",
              window, lines / window, w.errorCount, same ? "holds" : "DIFFERS FROM", w.log.Chars());
  std::printf("  window against console:        %8.1fx the time\n", window / console.seconds);

  // As before: every line appended to the box, the box trimmed to the cap, the caret moved
  // to the end and the events let run, line by line.
  const int before = std::min(lines, 100);
  // The box starts full, as the window left it: a run's box is at its cap after its first
  // thousand lines.
  SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
  auto length = static_cast<std::size_t>(GetWindowTextLengthW(box));
  std::string text;
  std::ifstream in(log, std::ios::binary);
  const auto t2 = Clock::now();
  for (int i = 0; i < before && std::getline(in, text); ++i) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const std::wstring wide = sys::Widen(text + "\r\n");
    SendMessageW(box, EM_SETSEL, length, static_cast<LPARAM>(length));
    SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
    length += wide.size();
    druvo::win32::PumpPendingMessages();
    if (length > druvo::MainWindow::kLogCap) {
      SendMessageW(box, EM_SETSEL, 0, static_cast<LPARAM>(length - druvo::MainWindow::kLogCap));
      SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
      length = druvo::MainWindow::kLogCap;
    }
    SendMessageW(box, EM_SETSEL, length, static_cast<LPARAM>(length));
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
  }
  const auto t3 = Clock::now();
  in.close();
  const double perLine = Seconds(t2, t3);
  std::printf("  window, box edited per line:   %8.3f s, %9.0f lines/s (first %d lines)\n", perLine,
              before / perLine, before);
  std::printf("  per line against once a slice: %8.1fx the time per line\n",
              (perLine / before) / (window / lines));
#endif
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
