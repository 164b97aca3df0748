#include "hostsim/demo.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "hostsim/isbn.h"
#include "model/catalogue.h"
#include "sys/fs.h"

namespace {

// Deterministic, so that every demo and every test sees the same records.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 16);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

 private:
  std::uint64_t state_;
};

// Registration groups with publisher codes, so the numbers look like real Dutch, Flemish
// and English-language books.
struct Publisher {
  const char* group;
  const char* code;
};
constexpr Publisher kPublishers[] = {
    {"90", "274"}, {"90", "414"}, {"90", "6005"}, {"90", "234"}, {"90", "5831"},
    {"90", "01"},  {"90", "295"}, {"90", "388"},  {"90", "450"}, {"90", "6103"},
    {"0", "14"},   {"0", "330"},  {"1", "84022"}, {"0", "7475"}, {"3", "423"},
};

constexpr const char* kWords[] = {
    "De",      "Het",    "Een",     "nacht",  "zee",     "tuin",   "reis",   "stad",
    "boek",    "winter", "verhaal", "huis",   "geheim",  "rivier", "kinderen", "oorlog",
    "liefde",  "licht",  "vogels",  "kaart",  "schaduw", "brief",  "berg",   "dagboek",
};

std::string Title(Random& r) {
  std::string t;
  const int words = 2 + r.Below(3);
  for (int i = 0; i < words; ++i) {
    if (i) t += ' ';
    t += kWords[r.Below(static_cast<int>(std::size(kWords)))];
  }
  return t;
}

// A valid ISBN-10, hyphenated in about a third of the records as printed on a book.
std::string RandomIsbn10(Random& r) {
  const Publisher& p = kPublishers[r.Below(static_cast<int>(std::size(kPublishers)))];
  const std::string group = p.group;
  const std::string code = p.code;
  std::string title;
  while (group.size() + code.size() + title.size() < 9) title += static_cast<char>('0' + r.Below(10));
  const std::string nine = group + code + title;
  const char check = hostsim::Isbn10CheckDigit(nine);
  if (r.Below(3) == 0) return group + "-" + code + "-" + title + "-" + check;
  return nine + check;
}

// Invalid numbers that the utility must refuse and leave as they are.
std::string InvalidNumber(Random& r, int kind) {
  std::string valid = hostsim::CompactNumber(RandomIsbn10(r));
  switch (kind % 4) {
    case 0: {  // wrong check digit
      char& c = valid[9];
      c = c == 'X' ? '0' : (c == '9' ? 'X' : static_cast<char>(c + 1));
      return valid;
    }
    case 1: return valid.substr(0, 9);        // a digit short
    case 2: return valid.substr(0, 4) + "O" + valid.substr(5);  // letter O for a zero
    default: return valid + "7";              // a digit too many
  }
}

std::string DataFile(int index) {
  Random r(static_cast<std::uint64_t>(index) + 1);
  const int records = 150 + r.Below(250);
  const int invalid = 2 + r.Below(3);
  std::vector<int> invalidAt;
  for (int i = 0; i < invalid; ++i) invalidAt.push_back(r.Below(records));
  std::string out;
  for (int i = 0; i < records; ++i) {
    bool bad = false;
    for (int at : invalidAt) bad = bad || at == i;
    const std::string number = bad ? InvalidNumber(r, i) : RandomIsbn10(r);
    const int cents = 495 + r.Below(5000);
    out += number + ";" + Title(r) + ";" + std::to_string(1 + r.Below(40)) + ";" +
           std::to_string(cents / 100) + "," + (cents % 100 < 10 ? "0" : "") +
           std::to_string(cents % 100) + "\r\n";
  }
  return out;
}

std::optional<std::string> BuiltProgram(const std::string& folder, const std::string& name) {
  if (auto p = sys::ResolveExisting(folder + "\\" + name + ".exe")) return p;
  return sys::ResolveExisting(folder + "\\" + name);
}

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

}  // namespace

bool WriteDemoInstallation(const std::string& dir, std::string* error) {
  const std::string prog = dir + "\\QMV";
  const std::string db = dir + "\\DATA";
  for (const std::string& folder : {dir, prog, db, db + "\\QMVWORK"}) {
    if (!sys::MakeFolder(folder)) return Fail(error, "cannot make folder " + folder);
  }

  // The host's programs: the simulation built for this platform, beside this program.
  std::string self = sys::ExecutablePath();
  const auto slash = self.find_last_of("\\/");
  const std::string bin = slash == std::string::npos ? "." : self.substr(0, slash);
  const struct {
    const char* built;
    const char* installed;
  } programs[] = {{"rcx", "RCX.EXE"},
                  {"qmv_stub", "QMV.EXE"},
                  {"lmpr_stub", "LMPR.EXE"},
                  {"lmpr13_stub", "LMPR13.EXE"},
                  {"RCXB.BAT", "RCXB.BAT"}};
  for (const auto& p : programs) {
    auto from = BuiltProgram(bin, p.built);
    if (!from) return Fail(error, std::string("host simulation program ") + p.built + " not found in " + bin);
    if (!sys::CopyFileReplacing(*from, prog + "\\" + p.installed))
      return Fail(error, std::string("cannot copy ") + p.installed + " into " + prog);
  }

  if (!sys::WriteWholeFile(db + "\\TRWMIX.DAT",
                           "TRWMIX;Demo-administratie;AT\r\nBoekhandel De Demo;Kerkstraat 1;Amsterdam\r\n"))
    return Fail(error, "cannot write TRWMIX.DAT");

  druvo::FileCatalogue catalogue;
  druvo::LoadFileCatalogue(catalogue);
  for (int i = 0; i < druvo::kCatalogueSize; ++i) {
    const std::string path = druvo::DataFilePath(catalogue, i, db, ".DAT");
    if (!sys::WriteWholeFile(path, DataFile(i))) return Fail(error, "cannot write " + path);
  }
  return true;
}
