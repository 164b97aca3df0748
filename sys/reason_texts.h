// The Dutch reasons both systems share. Included by sys/reason_*.cpp only.
#pragma once

namespace sys::reason_text {

inline constexpr char kNotFound[] = "bestand of map niet gevonden";
inline constexpr char kAccessDenied[] = "toegang geweigerd";
inline constexpr char kReadOnly[] = "de schijf is alleen-lezen";
inline constexpr char kDiskFull[] = "schijf vol";
inline constexpr char kIsFolder[] = "is een map";
inline constexpr char kNotFolder[] = "een deel van het pad is geen map";
inline constexpr char kInUse[] = "in gebruik door een ander programma";
inline constexpr char kIoError[] = "lees- of schrijffout van de schijf of het netwerk";
inline constexpr char kNameTooLong[] = "naam te lang";
inline constexpr char kTooManyLinks[] = "te veel koppelingen";
inline constexpr char kLinkLoop[] = "te veel koppelingen achter elkaar";
inline constexpr char kExists[] = "bestaat al";
inline constexpr char kNoDevice[] = "apparaat niet beschikbaar";
inline constexpr char kConnectionRefused[] = "verbinding geweigerd";
inline constexpr char kTimedOut[] = "geen antwoord binnen de tijd";
inline constexpr char kNetworkUnreachable[] = "netwerk niet bereikbaar";
inline constexpr char kHostUnreachable[] = "computer niet bereikbaar";
inline constexpr char kConnectionLost[] = "verbinding verbroken";
inline constexpr char kUnknownHost[] = "onbekende computernaam";

}  // namespace sys::reason_text
