// A demo installation of the host application, for trying DRUVO out and for tests.
#pragma once

#include <string>

/// Writes a demo installation into `dir` (made when missing; its parent must exist):
///  - dir\QMV, the program folder: QMV.EXE, RCX.EXE, RCXB.BAT, LMPR.EXE, LMPR13.EXE,
///    copied from the host simulation built beside the running program;
///  - dir\DATA, the database folder: TRWMIX.DAT, the data files of catalogue entries 0-19
///    and 31 with suffix ".DAT", and in DATA\QMVWORK those of entries 20-30 with ".dat".
/// Each data file holds a few hundred records "ISBN-10;title;quantity;price" (CR LF), the
/// same on every call, among them a few with an invalid book number. Files of the same
/// names are replaced; other files are left. False, with the reason in `error`, when a
/// folder or file cannot be made or a program of the simulation is missing.
bool WriteDemoInstallation(const std::string& dir, std::string* error);
