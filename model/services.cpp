#include "model/services.h"

#include "sys/env.h"

namespace druvo {

Services RealServices() {
  Services s;
  s.secondsSinceMidnight = sys::SecondsSinceMidnight;
  s.now = sys::Now;
  s.queryDiskFree = sys::QueryDiskFree;
  s.rename = sys::RenameNoReplace;
  auto helpdesk = sys::GetVariable("DRUVO_HELPDESK");
  auto relay = sys::GetVariable("DRUVO_SMTP_RELAY");
  s.helpdesk = helpdesk && !helpdesk->empty() ? *helpdesk : DRUVO_DEFAULT_HELPDESK;
  s.relay = relay && !relay->empty() ? *relay : DRUVO_DEFAULT_SMTP_RELAY;
  return s;
}

}  // namespace druvo
