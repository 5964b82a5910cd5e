#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <functional>

namespace orvane {

class ConfigView;
class AlarmOutput;
class NavigationTree;
class TreeNode;

inline constexpr int kMaxSignals = 16;

// One row of a module's signal table; stored byte for byte in the settings
// file (168 bytes a record, see ModuleSettings.h).
struct TSignalRecord
{
    QByteArray IOName; // at most 20 characters
    QByteArray Name; // at most 20 characters
    qint32 SignalType = 0; // 1 input value, 3 on/off output, 0 not in use
    QByteArray Unit; // at most 10 characters
    double Gain = 1.0;
    double Offset = 0.0;
    qint32 ImageIndex = 3;
    qint32 Digits = 3;
    qint32 OutputMode = 0; // OutputMode: 0 "Off", 1 "On", 2 "Use Rule"
    qint32 RuleInput = 1;
    double RuleValue = 2.5;
    qint32 RuleAction = 0; // 0 "ON" above the threshold, 1 "OFF"
    double AlarmHigh = 1000.0;
    double AlarmLow = -1000.0;
    std::array<double, 5> Reserved {};
};

struct TSignalSample
{
    double Current = 0.0; // converted value of the latest sample
    double Previous = 0.0; // converted value of the sample before it
};

// Signal records 1..16; element 0 is unused.
using TSignalTable = std::array<TSignalRecord, kMaxSignals + 1>;

// The raw count that a type-2 module compares its input with, for a rule
// threshold `ruleValue` in the engineering units of a signal with `gain` and
// `offset`: the inverse of the input conversion, rounded half to even, plus
// 1024 for the two temperature signals. A threshold the 16-bit field cannot
// hold is clamped to 0..65535; a threshold that is not a number (a gain of 0
// with the threshold equal to the offset, a damaged file) gives 65535, so the
// module's rule never switches its output on.
quint16 type2Threshold(double ruleValue, double gain, double offset, bool temperatureSignal);

// Everything the program knows about the module in one slot. Arrays are
// indexed from 1 like the signal numbers; element 0 is unused.
class TOV_MOD_Object
{
public:
    TOV_MOD_Object(); // Create
    ~TOV_MOD_Object() = default;
    TOV_MOD_Object(const TOV_MOD_Object &) = delete;
    TOV_MOD_Object &operator=(const TOV_MOD_Object &) = delete;

    // --- fields, read and written directly by the window and the cycle ---
    QByteArray Reply;
    TSignalTable Signals {};
    qint32 SignalCount = 0;
    qint32 ModuleType = 0;
    QByteArray ScanText;
    QByteArray SerialText;
    bool Present = false;
    ConfigView *ConfigGrid = nullptr; // grid, caption label and trace check boxes
    AlarmOutput *AlarmList = nullptr; // alarm memo and warning window
    bool Logging = false;
    QByteArray LogFileName;
    std::array<qint32, kMaxSignals + 1> TraceFlags {};
    qint32 OutputState1 = 0;
    qint32 OutputState2 = 0;
    std::array<TSignalSample, kMaxSignals + 1> Samples {};
    std::array<qint32, kMaxSignals + 1> AlarmActive {};
    qint32 LinkState = 0;
    qint32 LostReplies = 0;
    const qint32 *GoodReplyCount = nullptr;

    // Local date and time for alarm texts, log file names and log lines;
    // QDateTime::currentDateTime() when empty. Tests put a fixed clock here.
    std::function<QDateTime()> Clock;

    // --- operations ---
    // Defaults into all 16 records, AlarmActive cleared, identity and Reply
    // emptied, SignalCount and LostReplies 0. Samples, LinkState, Logging,
    // LogFileName, TraceFlags and the output states are left alone.
    void ResetSignals();
    void AttachControls(ConfigView *grid, AlarmOutput *alarms, const qint32 *goodReplyCount);
    // 1 or 2 writes that type's signal table; any other value changes nothing.
    void SetModuleType(qint32 type);
    void SetReply(const QByteArray &packet) { Reply = packet; }
    // DecodeReply, UpdateTreeNodes, EvaluateRules, CheckAlarms and, while
    // logging, AppendLogLine. Only modules of type 1 or 2 are processed; a
    // null tree skips the tree update.
    void ProcessReply(NavigationTree *tree);
    // The poll request for module slot 1..4 (7 bytes for type 1, 10 bytes
    // with check byte for type 2); empty for another type or slot.
    QByteArray BuildRequest(int slot) const;
    // Signal numbers of the two outputs: 6 and 7, or 7 and 8 for type 2.
    qint32 Output1Signal() const;
    qint32 Output2Signal() const;
    // Starts a new log file (true while not logging) or stops logging (false).
    // False, with the reason in *error, when the log file could not be
    // created or its header not written; logging is on all the same.
    bool SetLogging(bool on, QString *error = nullptr);
    // Grid, caption and trace boxes from the signal table, and back.
    void ShowConfiguration();
    void ReadConfiguration();
    // The settings file of SettingsFileName(). SaveSettings gives false, with
    // the reason in *error, when the file could not be written; the table in
    // memory is unchanged either way. Load errors are silent.
    bool SaveSettings(QString *error = nullptr) const;
    void LoadSettings();

    // The steps of ProcessReply, public so tests and benchmarks can run them
    // one by one.
    void DecodeReply();
    void UpdateTreeNodes(NavigationTree *tree);
    // The module's node: the first node, depth first, whose text is exactly
    // "Orvane Module |" + SerialText + "||Level 3".
    TreeNode *FindModuleNode(NavigationTree *tree) const;
    void EvaluateRules();
    void CheckAlarms();
    // The parts of signal i's alarm line, with the current value and time.
    struct AlarmTexts
    {
        QByteArray time; // "hh:mm:ss", local
        QByteArray module; // "Module = <serial>"
        QByteArray signal; // "<name> = <value> <unit>"
        QByteArray limits; // "(High = <high>; Low = <low>)"
        QByteArray line() const { return time + ' ' + module + ' ' + signal + ' ' + limits; }
    };
    AlarmTexts alarmTexts(int i) const;
    void AppendLogLine();

    static QByteArray DotDecimal(const QByteArray &text);
    static QByteArray ZeroPad(qint64 value, int width);

    // "Module_v13_" + SerialText + ".dat", with the bytes of SerialText that
    // are unsafe in a file name escaped (fileNameSafeText).
    QByteArray SettingsFileName() const;
    // Clock() when set, else the local date and time.
    QDateTime currentTime() const;

    static constexpr const char *NoLogFileName = "<no file name>";

private:
    qint32 ruleState(qint32 outputSignal, qint32 previousState) const;
    quint8 type2ModeByte(qint32 outputSignal) const;
    quint16 type2ThresholdOf(qint32 outputSignal) const;
    void decodeType1(const uchar *packet);
    void decodeType2(const uchar *packet, qsizetype size);
    int usedSignals() const;
};

} // namespace orvane
