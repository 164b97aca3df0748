#include "run_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "hostsim/demo.h"
#include "tools/log_view.h"

namespace testing_support {

namespace {

std::string FirstField(const std::string& line) {
  std::string f = line.substr(0, line.find(';'));
  std::string digits;
  for (char c : f)
    if (c != '-' && c != ' ') digits += c;
  return digits;
}

template <typename F>
int CountRecords(const std::string& bytes, F pred) {
  int n = 0;
  for (const std::string& line : druvo::SplitLines(bytes)) n += !line.empty() && pred(FirstField(line));
  return n;
}

}  // namespace

RunFixture::RunFixture(const std::string& name) {
  root = dir / name;
  std::filesystem::create_directories(root);
  std::string error;
  EXPECT_TRUE(WriteDemoInstallation(root, &error)) << error;
  prog = (std::filesystem::path(root) / "QMV").string();
  db = (std::filesystem::path(root) / "DATA").string();
  w.services.relay = "127.0.0.1:9";  // nothing listens there: the mail fails at once
  w.services.helpdesk = "helpdesk@druvo.example";
  w.Load();
  view.SetText(druvo::Control::txtKlantId, "4711");
  view.SetText(druvo::Control::txtExePath, prog);
  view.SetText(druvo::Control::txtDatabasePath, db);
}

NextStart::NextStart(const RunFixture& f) {
  w.services.relay = f.w.services.relay;
  w.services.helpdesk = f.w.services.helpdesk;
  w.Load();
  view.SetText(druvo::Control::txtKlantId, "4711");
  view.SetText(druvo::Control::txtExePath, f.prog);
  view.SetText(druvo::Control::txtDatabasePath, f.db);
}

std::string RunFixture::Db(const std::string& relative) const {
  return (std::filesystem::path(db) / std::filesystem::path(relative).make_preferred()).string();
}

std::string RunFixture::Prog(const std::string& relative) const {
  return (std::filesystem::path(prog) / std::filesystem::path(relative).make_preferred()).string();
}

int CountEan13(const std::string& bytes) {
  return CountRecords(bytes, [](const std::string& f) {
    return f.size() == 13 && f.compare(0, 3, "978") == 0 &&
           f.find_first_not_of("0123456789") == std::string::npos;
  });
}

int CountValidIsbn10(const std::string& bytes) {
  return CountRecords(bytes, [](const std::string& f) {
    if (f.size() != 10) return false;
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
      int d;
      if (f[i] >= '0' && f[i] <= '9') d = f[i] - '0';
      else if (i == 9 && (f[i] == 'X' || f[i] == 'x')) d = 10;
      else return false;
      sum += d * (10 - i);
    }
    return sum % 11 == 0;
  });
}

}  // namespace testing_support
