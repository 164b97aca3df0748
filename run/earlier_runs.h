// The three cases of an earlier run, as the status line and the message box name them.
#pragma once

namespace druvo {

constexpr char kDoneCompletely[] = "Conversie is al volledig gedaan !";
constexpr char kRepeatCompletely[] = "Volledig herhalen ?";
constexpr char kDonePartly[] = "Conversie is reeds gedeeltelijk gedaan !";
constexpr char kRepeatPartly[] = "Opnieuw ?";
constexpr char kDoneAlready[] = "Conversie is al gedaan !";

}  // namespace druvo
