#include "datafiles/run_lock.h"

namespace druvo {

std::string RunLockPath(const std::string& databaseFolder) {
  return databaseFolder + "\\" + kLockFileName;
}

std::string LockFailedText(const std::string& lockPath, const std::string& why) {
  return "Kan " + lockPath + " niet maken; zonder vergrendeling kan de conversie niet veilig lopen: " + why;
}

std::string UnfinishedPlanText(const std::string& why) {
  return "Een onderbroken hernoemplan kan niet worden afgemaakt. " + why;
}

}  // namespace druvo
