#include "model/catalogue.h"

namespace druvo {

namespace {

struct Entry {
  const char* baseName;
  const char* description;
};

const Entry kEntries[kCatalogueSize] = {
    {"QWIMAPD", "Abonnementen"},
    {"QWAOMVSQ", "Artikel"},
    {"QWMHMXHM", "ArtikelOmzet"},
    {"QWAXUIJG", "Tussenbestand backorders"},
    {"QWOUPVOG", "Crediteuren backorderregels"},
    {"QWGOZZAH", "Debiteuren backorderregels"},
    {"QZZOGEA", "Consignatie regels"},
    {"QZEXV", "Notities"},
    {"QZAEMAK", "Inkoop factuurregels"},
    {"QZPVUUQ", "Verkoop factuurregels"},
    {"QZJWQMZ", "Inkoop orderregels"},
    {"QZDAJHE", "Kassabonregels"},
    {"QZVZVWI", "Offertes"},
    {"QZAIMIO", "Verkoop orderregels"},
    {"QZUVIRIK", "SelectieCodes"},
    {"QWGGJKL", "VoorraadMutaties"},
    {"QWSVRXDK", "Historische VerkoopFakturen"},
    {"QWHJKQI", "TMX OrderRegels"},
    {"QWLHVHZ", "TMX Historische Orders"},
    {"QWSPWOU", "Kortingen en Staffels"},
    {"QWOMISWT", "Tussenbestand Alpha"},
    {"QWEPIQXZ", "Tussenbestand Asaf"},
    {"QWJHLIWW", "Tussenbestand Jongbloed"},
    {"QWJTVOWQ", "Tussenbestand JMM"},
    {"QWROXDVT", "Tussenbestand Sabra"},
    {"QWJKKZSH", "Tussenbestand Sterk"},
    {"QZIEWZWG", "Tussenbestand UK/US"},
    {"QZOWATQ", "Tussenbestand CB"},
    {"QZHUPGLM", "Tussenbestand Lingenbrink"},
    {"QZRHTZAX", "Tussenbestand Nilson"},
    {"QWOJJPSI", "Tussenbestand CBC"},
    {"QWIEAPUA", "Historische inkoopfacturen"},
};

}  // namespace

void LoadFileCatalogue(FileCatalogue& catalogue) {
  for (int i = 0; i < kCatalogueSize; ++i) {
    catalogue.baseNames[i] = kEntries[i].baseName;
    catalogue.descriptions[i] = kEntries[i].description;
  }
}

std::string DataFileName(const FileCatalogue& catalogue, int index, const std::string& suffix) {
  return catalogue.baseNames[index] + (InWorkFolder(index) ? std::string(".dat") : suffix);
}

std::string EntryFolder(const std::string& databaseFolder, int index) {
  return InWorkFolder(index) ? databaseFolder + "\\QMVWORK" : databaseFolder;
}

std::string DataFilePath(const FileCatalogue& catalogue, int index, const std::string& databaseFolder,
                         const std::string& suffix) {
  return EntryFolder(databaseFolder, index) + "\\" + DataFileName(catalogue, index, suffix);
}

}  // namespace druvo
