// RCX.EXE of the host simulation; see rcx.h.
#include "hostsim/entry.h"
#include "hostsim/rcx.h"

int HostMain(const std::vector<std::string>& args) { return hostsim::RunConversionUtility(args); }
