#pragma once

#include "OVModObjectUnit.h"

#include <QByteArray>

namespace orvane {

// The settings file holds a module's 16 signal records one after the other,
// 168 bytes each, little-endian, without header:
//   0 IOName length, 1..20 IOName text, 21 Name length, 22..41 Name text,
//   42 padding(2), 44 SignalType, 48 Unit length, 49..58 Unit text,
//   59 padding(5), 64 Gain, 72 Offset, 80 ImageIndex, 84 Digits,
//   88 OutputMode, 92 RuleInput, 96 RuleValue, 104 RuleAction,
//   108 padding(4), 112 AlarmHigh, 120 AlarmLow, 128 Reserved[5].
// Integers are 32-bit signed, doubles IEEE binary64, texts Windows-1252.
inline constexpr int kSettingsRecordSize = 168;
inline constexpr int kSettingsFileSize = kMaxSignals * kSettingsRecordSize; // 2688
inline constexpr int kNameFieldSize = 20;
inline constexpr int kUnitFieldSize = 10;

// The whole table as the file holds it. Padding bytes and the bytes behind a
// text's length are zero; a text longer than its field is cut to the field.
QByteArray encodeSignalTable(const TSignalTable &table);

// Lays `size` bytes of a settings file over the start of the table, as if they
// were read straight into it: a short file replaces only the fields it covers
// (a field it covers in part gets the file's bytes for that part), bytes
// beyond 2688 are ignored. A length byte above its field's size counts as the
// field's size, so no text is ever read outside its field.
void decodeSignalTable(const char *data, qsizetype size, TSignalTable &table);

// A serial number text made safe to stand in a file name: path separators,
// control bytes, bytes of 0x80 and above, the characters Windows forbids
// (< > : " | ? *), every dot of a ".." run and "%" itself are written as "%"
// and two upper-case hex digits. The mapping is one-to-one, so two serial
// numbers never share a file; an ordinary serial number ("0x" and six letters
// or digits) is returned unchanged.
QByteArray fileNameSafeText(const QByteArray &text);

// "Module_v13_" + safe serial number text + ".dat", in the current directory.
QByteArray settingsFileName(const QByteArray &serialText);

} // namespace orvane
