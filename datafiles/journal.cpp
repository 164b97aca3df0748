#include "datafiles/journal.h"

#include <charconv>

#include "model/main_window.h"
#include "sys/fs.h"

namespace druvo {

namespace {

constexpr std::string_view kHeader = "DRUVO rename plan 1";

std::string JournalPath(const std::string& databaseFolder) {
  return databaseFolder + "\\" + kJournalFileName;
}

bool IsFullPath(const std::string& name) {
  return (name.size() >= 2 && name[1] == ':') || (!name.empty() && (name[0] == '\\' || name[0] == '/'));
}

// Names may hold any character but the line end and the separator.
std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
      static const char hex[] = "0123456789ABCDEF";
      out += '%';
      out += hex[(static_cast<unsigned char>(c) >> 4) & 0xF];
      out += hex[static_cast<unsigned char>(c) & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

bool Unescape(std::string_view s, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    unsigned v = 0;
    if (i + 2 >= s.size()) return false;
    auto [end, ec] = std::from_chars(s.data() + i + 1, s.data() + i + 3, v, 16);
    if (ec != std::errc() || end != s.data() + i + 3) return false;
    out += static_cast<char>(v);
    i += 2;
  }
  return true;
}

void Report(MainWindow& w, const std::string& line) {
  w.LogAppend(line + "\r\n");
  w.LogCap();
  w.LogCaretToEnd();
}

}  // namespace

std::string EncodeJournal(const RenamePlan& plan) {
  std::string text = std::string(kHeader) + "\n";
  for (const auto& r : plan) text += Escape(r.from) + "\t" + Escape(r.to) + "\n";
  text += "END " + std::to_string(plan.size()) + "\n";
  return text;
}

bool ParseJournal(std::string_view text, RenamePlan& plan) {
  plan.clear();
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    if (nl == std::string_view::npos) return false;  // torn inside a line
    lines.push_back(text.substr(0, nl));
    text.remove_prefix(nl + 1);
  }
  if (lines.size() < 2 || lines.front() != kHeader) return false;
  const std::string_view end = lines.back();
  std::size_t count = 0;
  if (end.substr(0, 4) != "END ") return false;
  auto [p, ec] = std::from_chars(end.data() + 4, end.data() + end.size(), count);
  if (ec != std::errc() || p != end.data() + end.size() || count != lines.size() - 2) return false;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    const auto tab = lines[i].find('\t');
    PlannedRename r;
    if (tab == std::string_view::npos || !Unescape(lines[i].substr(0, tab), r.from) ||
        !Unescape(lines[i].substr(tab + 1), r.to) || r.from.empty() || r.to.empty())
      return false;
    plan.push_back(std::move(r));
  }
  return true;
}

JournalState ReadJournal(const std::string& databaseFolder, RenamePlan& plan) {
  plan.clear();
  const std::string path = JournalPath(databaseFolder);
  if (!sys::IsPresent(path)) return JournalState::kNone;
  // A journal is a few kilobytes; anything far larger is not one of ours.
  constexpr std::int64_t kMaxJournal = 4 << 20;
  std::string text;
  const bool tooLarge = sys::FileSize(path).value_or(0) > kMaxJournal;
  if (!tooLarge) sys::ReadFileInPieces(path, 64 * 1024, [&](std::string_view piece) { text.append(piece); });
  if (tooLarge || !ParseJournal(text, plan)) {
    plan.clear();
    return JournalState::kTorn;
  }
  return JournalState::kComplete;
}

std::string PlannedPath(const std::string& databaseFolder, const std::string& name) {
  return IsFullPath(name) ? name : databaseFolder + "\\" + name;
}

bool RenameDue(const std::string& databaseFolder, const PlannedRename& r) {
  return sys::IsPresent(PlannedPath(databaseFolder, r.from)) &&
         !sys::ResolveExisting(PlannedPath(databaseFolder, r.to));
}

namespace {

sys::RenameResult Rename(MainWindow& w, const PlannedRename& r) {
  const std::string from = PlannedPath(w.sDBPath, r.from);
  const std::string to = PlannedPath(w.sDBPath, r.to);
  return w.services.rename ? w.services.rename(from, to) : sys::RenameNoReplace(from, to);
}

std::string LastName(const std::string& name) {
  const auto slash = name.find_last_of("\\/");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string Refused(const PlannedRename& r, const sys::RenameResult& result) {
  return "Kan " + r.from + " niet hernoemen naar " + LastName(r.to) + ": " +
         (result.why.empty() ? std::string("onbekende oorzaak") : result.why);
}

bool RemoveJournal(MainWindow& w) {
  w.BeforeChange("journal removed");
  return sys::RemoveFileDurably(JournalPath(w.sDBPath));
}

}  // namespace

bool CarryOutPlan(MainWindow& w, const RenamePlan& plan) {
  if (plan.empty()) return true;
  w.BeforeChange("journal written");
  if (!sys::WriteFileDurably(JournalPath(w.sDBPath), EncodeJournal(plan))) {
    RemoveJournal(w);
    Report(w, "Kan " + JournalPath(w.sDBPath) + " niet schrijven; er is niets hernoemd.");
    return false;
  }
  for (const auto& r : plan) {
    // A taken target or a vanished source is skipped just as the plan's own guards would
    // have skipped it; the never-overwriting rename keeps both files.
    if (!RenameDue(w.sDBPath, r)) continue;
    // Each rename is made from its entry's folder, as the host's own tools work.
    const std::string from = PlannedPath(w.sDBPath, r.from);
    sys::SetCurrentFolder(from.substr(0, from.find_last_of("\\/")));
    sys::RenameResult result = Rename(w, r);
    if (result.status != sys::RenameStatus::kFailed) continue;
    Report(w, Refused(r, result));
  }
  RemoveJournal(w);
  return true;
}

FinishResult FinishUnfinishedPlan(MainWindow& w) {
  FinishResult result;
  RenamePlan plan;
  const JournalState state = ReadJournal(w.sDBPath, plan);
  if (state == JournalState::kNone) return result;
  if (state == JournalState::kTorn) {
    // Torn while it was written: its renames had not begun.
    if (!RemoveJournal(w)) {
      result.ok = false;
      result.why = "Kan " + JournalPath(w.sDBPath) + " niet verwijderen";
    }
    return result;
  }
  for (const auto& r : plan) {
    if (!RenameDue(w.sDBPath, r)) continue;
    sys::RenameResult rr = Rename(w, r);
    if (rr.ok()) {
      ++result.finished;
    } else if (RenameDue(w.sDBPath, r)) {
      result.ok = false;
      result.why = Refused(r, rr);
      break;
    }
  }
  if (result.ok) {
    Report(w, "Onderbroken hernoemplan afgemaakt: " + std::to_string(result.finished) +
                  (result.finished == 1 ? " bestand hernoemd." : " bestanden hernoemd."));
    if (!RemoveJournal(w)) {
      result.ok = false;
      result.why = "Kan " + JournalPath(w.sDBPath) + " niet verwijderen";
    }
  }
  return result;
}

}  // namespace druvo
