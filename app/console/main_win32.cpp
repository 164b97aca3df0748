#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/console/console_app.h"
#include "sys/wide_win32.h"

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  // The C runtime leaves stdout and stderr unbuffered on a console and on NUL, and then
  // writes byte by byte: the 16 MB log of a 1 GiB data file took longer to show than the
  // utility took to convert the file. The view flushes both at every status line and
  // question, so what is shown still keeps pace with the run.
  std::setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);
  std::setvbuf(stderr, nullptr, _IOFBF, 4 * 1024);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(sys::Narrow(argv[i]));
  return druvo::ConsoleMain(args, stdout, stderr, stdin, _isatty(0) && _isatty(2),
                            &druvo::ConsoleInterrupts());
}
