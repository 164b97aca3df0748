// A Windows test binary (run under Wine) cannot start the Linux relay; the CI starts it
// and passes its folder in DRUVO_TEST_SMTP_DIR.
#include "mail_test_util.h"

namespace mailtest {

SinkProcess::~SinkProcess() = default;

bool SinkProcess::Start(const std::string&, const std::string&, std::string& why) {
  why = "a Windows program cannot start the Linux test relay";
  return false;
}

void SinkProcess::Stop() {}

}  // namespace mailtest
