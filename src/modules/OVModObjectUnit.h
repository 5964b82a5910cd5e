#pragma once

#include <QByteArray>

#include <array>

namespace orvane {

class ConfigView;
class AlarmOutput;
class NavigationTree;
class TreeNode;

inline constexpr int kMaxSignals = 16;

// One row of a module's signal table; stored byte for byte in the settings
// file (168 bytes a record, see ModuleSettings).
struct TSignalRecord
{
    QByteArray IOName;   // at most 20 characters
    QByteArray Name;     // at most 20 characters
    qint32 SignalType = 0; // 1 input value, 3 on/off output, 0 not in use
    QByteArray Unit;     // at most 10 characters
    double Gain = 1.0;
    double Offset = 0.0;
    qint32 ImageIndex = 3;
    qint32 Digits = 3;
    qint32 OutputMode = 0; // 0 "Off", 1 "On", 2 "Use Rule"
    qint32 RuleInput = 1;
    double RuleValue = 2.5;
    qint32 RuleAction = 0; // 0 "ON" above the threshold, 1 "OFF"
    double AlarmHigh = 1000.0;
    double AlarmLow = -1000.0;
    std::array<double, 5> Reserved{};
};

struct TSignalSample
{
    double Current = 0.0;
    double Previous = 0.0;
};

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
    std::array<TSignalRecord, kMaxSignals + 1> Signals{};
    qint32 SignalCount = 0;
    qint32 ModuleType = 0;
    QByteArray ScanText;
    QByteArray SerialText;
    bool Present = false;
    ConfigView *ConfigGrid = nullptr;    // grid, caption label and trace check boxes
    AlarmOutput *AlarmList = nullptr;    // alarm memo and warning window
    bool Logging = false;
    QByteArray LogFileName;
    std::array<qint32, kMaxSignals + 1> TraceFlags{};
    qint32 OutputState1 = 0;
    qint32 OutputState2 = 0;
    std::array<TSignalSample, kMaxSignals + 1> Samples{};
    std::array<qint32, kMaxSignals + 1> AlarmActive{};
    qint32 LinkState = 0;
    qint32 LostReplies = 0;
    const qint32 *GoodReplyCount = nullptr;

    // --- operations ---
    void ResetSignals();
    void AttachControls(ConfigView *grid, AlarmOutput *alarms, const qint32 *goodReplyCount);
    void SetModuleType(qint32 type);
    void SetReply(const QByteArray &packet) { Reply = packet; }
    void ProcessReply(NavigationTree *tree);
    QByteArray BuildRequest(int slot) const;
    qint32 Output1Signal() const;
    qint32 Output2Signal() const;
    void SetLogging(bool on);
    void ShowConfiguration();
    void ReadConfiguration();
    void SaveSettings() const;
    void LoadSettings();

    // The steps of ProcessReply, public so tests and benchmarks can run them
    // one by one.
    void DecodeReply();
    void UpdateTreeNodes(NavigationTree *tree);
    TreeNode *FindModuleNode(NavigationTree *tree) const;
    void EvaluateRules();
    void CheckAlarms();
    void AppendLogLine();

    static QByteArray DotDecimal(const QByteArray &text);
    static QByteArray ZeroPad(qint64 value, int width);
};

} // namespace orvane
