// Appending a 200,000-line log to the log view with its 50,000-character cap: the view
// model (and on Windows a real multi-line text box) against rewriting the whole text per
// line, as a text box set as a whole would be.
#include <chrono>
#include <cstdio>
#include <string>

#include "model/main_window.h"
#include "model/memory_view.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::string Line(int i) {
  return "record " + std::to_string(i) + ": 9780306406157 omgezet naar EAN-13\r\n";
}

// A view that keeps nothing: the model alone is measured.
struct NullView : druvo::MemoryView {
  void LogAppended(std::string_view) override {}
  void LogTrimmed(std::string_view) override {}
};

}  // namespace

int main() {
  const int lines = 200000;
  NullView view;
  druvo::MainWindow w(view);
  auto t0 = Clock::now();
  for (int i = 0; i < lines; ++i) {
    w.LogAppend(Line(i));
    w.LogCap();
  }
  auto t1 = Clock::now();
  double model = Seconds(t0, t1);

  // The whole text rewritten per line: a copy of the old text plus the line, then the cap.
  std::string whole;
  auto t2 = Clock::now();
  for (int i = 0; i < lines; ++i) {
    std::string next = whole + Line(i);
    if (next.size() > 50000) next = next.substr(next.size() - 50000);
    whole.swap(next);
  }
  auto t3 = Clock::now();
  double rewrite = Seconds(t2, t3);

  std::printf("log_view: %d lines, cap 50000 characters\n", lines);
  std::printf("  view model (append + trim in place): %.3f s, %.0f lines/s, text %zu bytes\n",
              model, lines / model, w.log.Bytes());
  std::printf("  whole text rewritten per line:       %.3f s, %.0f lines/s\n", rewrite,
              lines / rewrite);
  std::printf("  ratio: %.1fx\n", rewrite / model);

#ifdef _WIN32
  // The real multi-line text box: EM_REPLACESEL at the end and at the start, against
  // WM_SETTEXT with the whole text, over fewer lines (the text box is slow either way).
  const int boxLines = 3000;
  HWND box = CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | ES_MULTILINE | WS_VSCROLL, 0,
                             0, 600, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!box) {
    std::printf("  text box: cannot create a window here\n");
    return 0;
  }
  SendMessageW(box, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  std::size_t length = 0;
  auto t4 = Clock::now();
  for (int i = 0; i < boxLines; ++i) {
    std::string l = Line(i);
    std::wstring wl(l.begin(), l.end());
    SendMessageW(box, EM_SETSEL, length, length);
    SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wl.c_str()));
    length += wl.size();
    if (length > 50000) {
      SendMessageW(box, EM_SETSEL, 0, length - 50000);
      SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
      length = 50000;
    }
  }
  auto t5 = Clock::now();
  std::wstring text;
  auto t6 = Clock::now();
  // The whole-text rewrite is slow enough that a tenth of the lines tells its rate.
  const int rewriteLines = boxLines / 10;
  for (int i = 0; i < rewriteLines; ++i) {
    std::string l = Line(i);
    text += std::wstring(l.begin(), l.end());
    if (text.size() > 50000) text.erase(0, text.size() - 50000);
    SetWindowTextW(box, text.c_str());
  }
  auto t7 = Clock::now();
  double inPlace = boxLines / Seconds(t4, t5), full = rewriteLines / Seconds(t6, t7);
  std::printf("  text box: in place %.0f lines/s (%d lines), whole text %.0f lines/s (%d lines), "
              "ratio %.1fx\n",
              inPlace, boxLines, full, rewriteLines, inPlace / full);
  DestroyWindow(box);
#endif
  return 0;
}
