#pragma once

#include <QString>

namespace tolvan {

// Field n (from 1) of a text split at a one-character separator; an empty or
// missing field, n below 1, or a separator of another length than one gives
// `defaultValue` (with another length the whole text is field 1).
QString GetField(const QString &text, const QString &separator, int n,
                 const QString &defaultValue = QString());

// Scrambles a password for the settings store and unscrambles it again: the
// Windows-1252 code of each character, exclusive-or a fixed key. Characters
// outside Windows-1252 stay as they are, so every text survives the round trip.
QString XorText(const QString &text);

// Waits n hundredths of a second on the monotonic clock, running every event
// that comes meanwhile (timer ticks, clicks) and sleeping between them.
void WaitHundredths(int n);

// Runs the pending events once; when one of them ended the program, the caller is left.
void processPendingEvents();

// The display format ">": every letter in upper case, umlauts included; one
// character stays one character ("ß" stays "ß"), so a field keeps its length.
QString upperCaseFormat(const QString &text);

} // namespace tolvan
