#include "hostsim/entry.h"
#include "sys/wide_win32.h"

// wmain, so that arguments outside the code page arrive intact.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(sys::Narrow(argv[i]));
  return HostMain(args);
}
