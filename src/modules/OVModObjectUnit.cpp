#include "OVModObjectUnit.h"

#include "ModulePorts.h"
#include "ModuleSettings.h"
#include "NumberText.h"
#include "common/NavigationTree.h"

#include <algorithm>
#include <cstring>

// The module object's record, signal tables, per-reply steps, tree texts and
// configuration grid. Decoding and alarms, output rules and requests, and the
// settings and log files live in the OVModObjectUnit_*.cpp files.
namespace orvane {

namespace {
constexpr int kModuleImage = 2;
constexpr int kTreeImageCount = 8; // images 0..7 of the tree's image list
constexpr int kGridRows = 10; // rows the grid fill writes or empties

struct SignalDefinition
{
    const char *ioName;
    qint32 signalType;
    const char *unit;
    double gain;
    double offset;
    qint32 imageIndex;
    qint32 digits;
};

void applyDefinition(TSignalRecord &s, const SignalDefinition &d)
{
    s.IOName = d.ioName;
    s.Name = d.ioName;
    s.SignalType = d.signalType;
    s.Unit = d.unit;
    s.Gain = d.gain;
    s.Offset = d.offset;
    s.ImageIndex = d.imageIndex;
    s.Digits = d.digits;
}

// Five analog inputs and two digital outputs.
constexpr SignalDefinition kType1Signals[] = {
    { "Analog Input 1", 1, "Volt", 1.0, 0.0, 3, 3 },
    { "Analog Input 2", 1, "Volt", 1.0, 0.0, 3, 3 },
    { "Analog Input 3", 1, "Volt", 1.0, 0.0, 3, 3 },
    { "Analog Input 4", 1, "Volt", 1.0, 0.0, 3, 3 },
    { "Analog Input 5", 1, "Volt", 1.0, 0.0, 3, 3 },
    { "Digital Output 1", 3, "On/Off", 1.0, 0.0, 4, 0 },
    { "Digital Output 2", 3, "On/Off", 1.0, 0.0, 4, 0 },
};

// The degree units: the degree sign (byte 0xB0) and "C" (0x43) or "F" (0x46).
constexpr char kDegreesC[] = "\xB0\x43";
constexpr char kDegreesF[] = "\xB0\x46";

// Battery, temperature in Celsius and Fahrenheit (the same raw reading), three
// analog inputs and two relays.
constexpr SignalDefinition kType2Signals[] = {
    { "Battery Voltage", 1, "Volt", 3.0, 0.0, 3, 2 },
    { "Temperature_C", 1, kDegreesC, 100.0, 0.0, 3, 2 },
    { "Temperature_F", 1, kDegreesF, 180.0, 32.0, 3, 2 },
    { "Analog Input 1", 1, "Volt", 1.0, 0.0, 3, 3 },
    { "Analog Input 2", 1, "Volt", 1.0, 0.0, 3, 3 },
    { "Analog Input 3", 1, "Volt", 1.0, 0.0, 3, 3 },
    { "Relay Output 1", 3, "On/Off", 1.0, 0.0, 4, 0 },
    { "Relay Output 2", 3, "On/Off", 1.0, 0.0, 4, 0 },
};
} // namespace

TOV_MOD_Object::TOV_MOD_Object()
{
    LogFileName = NoLogFileName;
    ResetSignals();
}

void TOV_MOD_Object::ResetSignals()
{
    ModuleType = 0;
    ScanText.clear();
    Reply.clear();
    SerialText.clear();
    Present = false;
    SignalCount = 0;
    LostReplies = 0;
    for (auto &s : Signals) {
        s = TSignalRecord {};
        s.Unit = "Volt";
    }
    AlarmActive.fill(0);
}

void TOV_MOD_Object::AttachControls(
    ConfigView *grid, AlarmOutput *alarms, const qint32 *goodReplyCount)
{
    ConfigGrid = grid;
    AlarmList = alarms;
    GoodReplyCount = goodReplyCount;
}

void TOV_MOD_Object::SetModuleType(qint32 type)
{
    if (type == 1) {
        for (int i = 0; i < 7; ++i)
            applyDefinition(Signals[i + 1], kType1Signals[i]);
        SignalCount = 7;
    } else if (type == 2) {
        for (int i = 0; i < 8; ++i)
            applyDefinition(Signals[i + 1], kType2Signals[i]);
        Signals[1].AlarmHigh = 14.0;
        Signals[1].AlarmLow = 7.0;
        SignalCount = 8;
    } else {
        return;
    }
    ModuleType = type;
}

void TOV_MOD_Object::ProcessReply(NavigationTree *tree)
{
    if (ModuleType != 1 && ModuleType != 2)
        return;
    DecodeReply();
    UpdateTreeNodes(tree);
    EvaluateRules();
    CheckAlarms();
    if (Logging)
        AppendLogLine();
}

qint32 TOV_MOD_Object::Output1Signal() const
{
    return ModuleType == 2 ? 7 : 6;
}

qint32 TOV_MOD_Object::Output2Signal() const
{
    return ModuleType == 2 ? 8 : 7;
}

int TOV_MOD_Object::usedSignals() const
{
    return std::clamp<qint32>(SignalCount, 0, kMaxSignals);
}

QDateTime TOV_MOD_Object::currentTime() const
{
    return Clock ? Clock() : QDateTime::currentDateTime();
}

QByteArray TOV_MOD_Object::SettingsFileName() const
{
    return settingsFileName(SerialText);
}

// --- navigation tree ---

namespace {
QByteArray moduleNodeText(const QByteArray &serialText)
{
    return "Orvane Module |" + serialText + "||Level 3";
}

// An icon index from a damaged settings file would point outside the image
// list; such a signal shows the input icon.
int treeImage(qint32 imageIndex)
{
    return imageIndex >= 0 && imageIndex < kTreeImageCount ? imageIndex : 3;
}
} // namespace

TreeNode *TOV_MOD_Object::FindModuleNode(NavigationTree *tree) const
{
    if (!tree)
        return nullptr;
    // The whole node text is compared, not just the serial number: an empty
    // or short serial number, or a signal name holding another module's
    // serial number, would otherwise find a wrong node and rewrite its
    // children.
    const QByteArray text = moduleNodeText(SerialText);
    for (TreeNode *node = tree->firstNode(); node; node = tree->nextNode(node)) {
        if (node->text() == text)
            return node;
    }
    return nullptr;
}

void TOV_MOD_Object::UpdateTreeNodes(NavigationTree *tree)
{
    if (!tree)
        return;
    const int count = usedSignals();
    TreeNode *module = FindModuleNode(tree);
    if (!module) {
        TreeNode *root = tree->firstNode();
        TreeNode *interfaceNode = root ? root->firstChild() : nullptr;
        if (!interfaceNode)
            return;
        tree->select(tree->addChild(interfaceNode, moduleNodeText(SerialText), kModuleImage));
        module = interfaceNode->lastChild();
        for (int i = 1; i <= count; ++i) {
            tree->select(tree->addChild(
                module, Signals[i].Name + "|||Level 3", treeImage(Signals[i].ImageIndex)));
        }
    }
    for (int i = 1; i <= count; ++i) {
        const TSignalRecord &s = Signals[i];
        const QByteArray text = s.Name + '|'
            + DotDecimal(formatTreeValue(Samples[i].Current, s.Digits)) + '|' + s.Unit + "|Level 4";
        const auto &children = module->children();
        if (size_t(i - 1) < children.size())
            tree->setText(children[size_t(i - 1)].get(), text);
        else // a node with too few children gets the missing signal nodes
            tree->addChild(module, text, treeImage(s.ImageIndex));
    }
}

// --- configuration grid ---

void TOV_MOD_Object::ShowConfiguration()
{
    if (!ConfigGrid)
        return;
    ConfigGrid->showsModule(this);
    ConfigGrid->setCaption("Configuration for module: " + SerialText);
    const int count = usedSignals();
    for (int i = 1; i <= count; ++i) {
        const TSignalRecord &s = Signals[i];
        ConfigGrid->setCell(1, i, s.IOName);
        ConfigGrid->setCell(2, i, s.Name);
        ConfigGrid->setCell(3, i, DotDecimal(formatTwoDecimals(s.Gain)));
        ConfigGrid->setCell(4, i, DotDecimal(formatTwoDecimals(s.Offset)));
        ConfigGrid->setCell(5, i, s.Unit);
        ConfigGrid->setCell(6, i, QByteArray::number(s.Digits));
        ConfigGrid->setCell(7, i, DotDecimal(formatTwoDecimals(s.AlarmHigh)));
        ConfigGrid->setCell(8, i, DotDecimal(formatTwoDecimals(s.AlarmLow)));
        ConfigGrid->setTraceBox(i, true, TraceFlags[i] == 1);
    }
    for (int i = count + 1; i <= kGridRows; ++i) {
        for (int column = 1; column <= 8; ++column)
            ConfigGrid->setCell(column, i, QByteArray());
        ConfigGrid->setTraceBox(i, false, false);
    }
    ConfigGrid->repaint();
}

namespace {
constexpr int kMaxDigits = 8; // decimals a signal may show in the tree

// The text ShowConfiguration writes for a number field.
QByteArray gridText(double value)
{
    return TOV_MOD_Object::DotDecimal(formatTwoDecimals(value));
}

// A number cell back into its field. A cell that still shows the field's own
// text keeps the field's full value (the grid shows two decimals only); a
// cell that is not a finite number keeps the field as it was.
void readNumberCell(const QByteArray &cell, double &field)
{
    if (cell == gridText(field))
        return;
    if (const std::optional<double> value = readNumber(cell))
        field = *value;
}

// "|" separates the tree's columns, and "," and "#" the fields and modules of
// the TCP data line; control bytes would split log and data lines. Such bytes
// typed into a name or unit become "_".
QByteArray safeText(const QByteArray &text, const char *unsafe, int fieldSize)
{
    QByteArray safe = text.left(fieldSize);
    for (char &c : safe) {
        if (uchar(c) < 0x20 || uchar(c) == 0x7F || std::strchr(unsafe, c))
            c = '_';
    }
    return safe;
}
} // namespace

void TOV_MOD_Object::ReadConfiguration()
{
    if (!ConfigGrid)
        return;
    const int count = usedSignals();
    for (int i = 1; i <= count; ++i) {
        TSignalRecord &s = Signals[i];
        s.Name = safeText(ConfigGrid->cell(2, i), "|", kNameFieldSize);
        readNumberCell(ConfigGrid->cell(3, i), s.Gain);
        readNumberCell(ConfigGrid->cell(4, i), s.Offset);
        s.Unit = safeText(ConfigGrid->cell(5, i), "|,#", kUnitFieldSize);
        const std::optional<qint32> digits = readInteger(ConfigGrid->cell(6, i));
        if (digits && *digits >= 0 && *digits <= kMaxDigits)
            s.Digits = *digits;
        readNumberCell(ConfigGrid->cell(7, i), s.AlarmHigh);
        readNumberCell(ConfigGrid->cell(8, i), s.AlarmLow);
    }
}

// --- texts ---

QByteArray TOV_MOD_Object::DotDecimal(const QByteArray &text)
{
    QByteArray out = text;
    out.replace(',', '.');
    return out;
}

QByteArray TOV_MOD_Object::ZeroPad(qint64 value, int width)
{
    return formatZeroPadded(value, width);
}

} // namespace orvane
