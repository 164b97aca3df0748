// The Start command: start checks, earlier-run detection, conversion loop, completion.
#pragma once

#include <string>
#include <string_view>

namespace druvo {

class MainWindow;

/// Click of btnStart: the Start command. Never throws: a failure it did not foresee ends the
/// command with Stop enabled, outcome kFailed and a message box (UnforeseenFailureText).
void ClickStart(MainWindow& w);

/// The message for a command ended by a failure it did not foresee; `what` is the failure's
/// own text.
std::string UnforeseenFailureText(std::string_view what);

/// The whole run, inside the click of btnStart.
void RunStartCommand(MainWindow& w);

}  // namespace druvo
