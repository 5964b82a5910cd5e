#include "ModuleSettings.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace orvane {

namespace {
enum Offset : int {
    OffIOName = 0,
    OffName = 21,
    OffSignalType = 44,
    OffUnit = 48,
    OffGain = 64,
    OffOffset = 72,
    OffImageIndex = 80,
    OffDigits = 84,
    OffOutputMode = 88,
    OffRuleInput = 92,
    OffRuleValue = 96,
    OffRuleAction = 104,
    OffAlarmHigh = 112,
    OffAlarmLow = 120,
    OffReserved = 128,
};

void putText(uchar *record, int offset, int fieldSize, const QByteArray &text)
{
    const int length = int(std::min<qsizetype>(text.size(), fieldSize));
    record[offset] = uchar(length);
    std::memcpy(record + offset + 1, text.constData(), size_t(length));
}

QByteArray getText(const uchar *record, int offset, int fieldSize)
{
    const int length = std::min<int>(record[offset], fieldSize);
    return QByteArray(reinterpret_cast<const char *>(record + offset + 1), length);
}

void putInt(uchar *record, int offset, qint32 value)
{
    qToLittleEndian<qint32>(value, record + offset);
}

qint32 getInt(const uchar *record, int offset)
{
    return qFromLittleEndian<qint32>(record + offset);
}

void putDouble(uchar *record, int offset, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint64>(bits, record + offset);
}

double getDouble(const uchar *record, int offset)
{
    const quint64 bits = qFromLittleEndian<quint64>(record + offset);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void encodeRecord(const TSignalRecord &s, uchar *r)
{
    putText(r, OffIOName, kNameFieldSize, s.IOName);
    putText(r, OffName, kNameFieldSize, s.Name);
    putInt(r, OffSignalType, s.SignalType);
    putText(r, OffUnit, kUnitFieldSize, s.Unit);
    putDouble(r, OffGain, s.Gain);
    putDouble(r, OffOffset, s.Offset);
    putInt(r, OffImageIndex, s.ImageIndex);
    putInt(r, OffDigits, s.Digits);
    putInt(r, OffOutputMode, s.OutputMode);
    putInt(r, OffRuleInput, s.RuleInput);
    putDouble(r, OffRuleValue, s.RuleValue);
    putInt(r, OffRuleAction, s.RuleAction);
    putDouble(r, OffAlarmHigh, s.AlarmHigh);
    putDouble(r, OffAlarmLow, s.AlarmLow);
    for (int k = 0; k < int(s.Reserved.size()); ++k)
        putDouble(r, OffReserved + 8 * k, s.Reserved[k]);
}

void decodeRecord(const uchar *r, TSignalRecord &s)
{
    s.IOName = getText(r, OffIOName, kNameFieldSize);
    s.Name = getText(r, OffName, kNameFieldSize);
    s.SignalType = getInt(r, OffSignalType);
    s.Unit = getText(r, OffUnit, kUnitFieldSize);
    s.Gain = getDouble(r, OffGain);
    s.Offset = getDouble(r, OffOffset);
    s.ImageIndex = getInt(r, OffImageIndex);
    s.Digits = getInt(r, OffDigits);
    s.OutputMode = getInt(r, OffOutputMode);
    s.RuleInput = getInt(r, OffRuleInput);
    s.RuleValue = getDouble(r, OffRuleValue);
    s.RuleAction = getInt(r, OffRuleAction);
    s.AlarmHigh = getDouble(r, OffAlarmHigh);
    s.AlarmLow = getDouble(r, OffAlarmLow);
    for (int k = 0; k < int(s.Reserved.size()); ++k)
        s.Reserved[k] = getDouble(r, OffReserved + 8 * k);
}

bool isUnsafeFileNameByte(uchar c)
{
    if (c < 0x20 || c >= 0x7F)
        return true;
    switch (c) {
    case '/':
    case '\\':
    case '<':
    case '>':
    case ':':
    case '"':
    case '|':
    case '?':
    case '*':
        return true;
    default:
        return false;
    }
}
} // namespace

QByteArray encodeSignalTable(const TSignalTable &table)
{
    QByteArray bytes(kSettingsFileSize, '\0');
    auto *data = reinterpret_cast<uchar *>(bytes.data());
    for (int i = 1; i <= kMaxSignals; ++i)
        encodeRecord(table[i], data + (i - 1) * kSettingsRecordSize);
    return bytes;
}

void decodeSignalTable(const char *data, qsizetype size, TSignalTable &table)
{
    if (!data || size <= 0)
        return;
    // Start from the table's own bytes so that the fields the file does not
    // reach keep their values, then put the file's bytes over them.
    QByteArray bytes = encodeSignalTable(table);
    std::memcpy(bytes.data(), data, size_t(std::min<qsizetype>(size, kSettingsFileSize)));
    const auto *base = reinterpret_cast<const uchar *>(bytes.constData());
    for (int i = 1; i <= kMaxSignals; ++i)
        decodeRecord(base + (i - 1) * kSettingsRecordSize, table[i]);
}

QByteArray fileNameSafeText(const QByteArray &text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const uchar c = uchar(text[i]);
        const bool dotRun = c == '.'
            && ((i > 0 && text[i - 1] == '.') || (i + 1 < text.size() && text[i + 1] == '.'));
        // "%" itself is escaped too, so every "%" in the result starts an
        // escape and two different texts never give the same name.
        if (dotRun || c == '%' || isUnsafeFileNameByte(c)) {
            safe += '%';
            safe += kHex[c >> 4];
            safe += kHex[c & 0xF];
        } else {
            safe += char(c);
        }
    }
    return safe;
}

QByteArray settingsFileName(const QByteArray &serialText)
{
    return "Module_v13_" + fileNameSafeText(serialText) + ".dat";
}

} // namespace orvane
