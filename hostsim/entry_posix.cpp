#include "hostsim/entry.h"

// The stand-ins are the tests' fixtures, not what a sanitizer build is there to check: their
// leak check at exit (about 45 ms of a 65 ms call) is left out; DRUVO's own programs keep
// theirs. The leak checker asks for this function where a program has one; elsewhere it is
// never called.
extern "C" int __lsan_is_turned_off() { return 1; }

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return HostMain(args);
}
