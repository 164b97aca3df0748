// DRUVO's own files in the database folder — the lock, the journal and the record — are plain
// files of its own. A Start, a restore and `druvo check` look at the three names before the
// lock is taken: a link, a folder, a FIFO or a device at one of them refuses the command at
// once, naming the file and what it is, and nothing is followed, waited on or touched.
#pragma once

#include <optional>
#include <string>

namespace druvo {

/// The refusal's text when one of the three names in the database folder holds something
/// else than a plain file ("...\DRUVO.REC is een symbolische koppeling, ..."); nothing when
/// each is a plain file or missing.
std::optional<std::string> OwnFilesRefusal(const std::string& databaseFolder);

}  // namespace druvo
