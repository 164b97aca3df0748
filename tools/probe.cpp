#include "tools/probe.h"

#include "model/reporter.h"
#include "sys/fs.h"
#include "sys/text.h"
#include "tools/log_view.h"
#include "tools/process.h"

namespace druvo {

namespace {

bool StartsWithExactly(const std::string& upper, std::string_view text) {
  return upper.size() >= text.size() && upper.compare(0, text.size(), text) == 0;
}

}  // namespace

bool IsTriggerLine(const std::string& line) {
  // Only the first 11 characters matter; they are compared upper-cased.
  std::string head = text::Upper(text::FirstChars(line, 11));
  return StartsWithExactly(head, "ERROR: -1") || StartsWithExactly(head, "ERROR: 20") ||
         StartsWithExactly(head, "ERROR: 3016");
}

bool ProbeConversionUtility(Reporter& log, const Services& services, const FileCatalogue& catalogue,
                            const std::string& programFolder, const std::string& suffix) {
  const std::string logName = "rcx.log";
  // Emptied first, so that lines left by an earlier probe are not read as this one's: put in
  // its place as a new empty file, so that a link there is never followed.
  if (sys::IsPresent(logName)) sys::ReplaceFileDurably(logName, "");

  Command probe;
  probe.program = programFolder + "\\RCX";
  probe.args = {"I", text::Upper(catalogue.baseNames[kProbeEntry] + suffix)};
  bool wrapperNeeded = false;
  ShellandWait(log, services, probe, 0);

  if (!sys::IsPresent(logName)) return wrapperNeeded;
  // Read in pieces, a long line in parts: only a line's first characters can trigger.
  const bool read = ForEachLogLine(logName, [&](std::string_view part, bool begins, bool ends) {
    log.LogAppend(ends ? std::string(part) + "\r\n" : std::string(part));
    log.DoEvents();
    if (begins && IsTriggerLine(std::string(part))) wrapperNeeded = true;
  });
  if (!read) return wrapperNeeded;
  log.LogCaretToEnd();
  log.DoEvents();
  return wrapperNeeded;
}

}  // namespace druvo
