#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/console/console_app.h"
#include "sys/wide_win32.h"

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(sys::Narrow(argv[i]));
  return druvo::ConsoleMain(args, stdout, stderr, stdin, _isatty(0) && _isatty(2),
                            &druvo::ConsoleInterrupts());
}
