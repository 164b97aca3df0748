// The third phase of the Start command: the disk check, the probe and the utility's call for
// every data file of the catalogue.
#pragma once

namespace druvo {

class MainWindow;

enum class LoopEnd {
  kCompleted,    // every entry was handled
  kAbandoned,    // the disk check found too little space; no entry was handled
  kInterrupted,  // the user asked to stop; the entries after the one in hand were left alone
};

LoopEnd ConversionLoop(MainWindow& w);

}  // namespace druvo
