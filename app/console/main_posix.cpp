#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/console/console_app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return druvo::ConsoleMain(args, stdout, stderr, stdin, isatty(0) && isatty(2),
                            &druvo::ConsoleInterrupts());
}
