#include "datafiles/own_files.h"

#include "datafiles/journal.h"
#include "datafiles/record.h"
#include "datafiles/run_lock.h"
#include "sys/fs.h"

namespace druvo {

std::optional<std::string> OwnFilesRefusal(const std::string& databaseFolder) {
  for (const char* name : {kLockFileName, kJournalFileName, kRecordFileName}) {
    const std::string path = databaseFolder + "\\" + name;
    const sys::NameKind kind = sys::KindOfName(path);
    if (kind == sys::NameKind::kNothing || kind == sys::NameKind::kFile) continue;
    return path + " is " + sys::KindText(kind) +
           " en geen gewoon bestand. DRUVO gebruikt deze naam zelf: verwijder het en probeer het "
           "opnieuw.";
  }
  return std::nullopt;
}

}  // namespace druvo
