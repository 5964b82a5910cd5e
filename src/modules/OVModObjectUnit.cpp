#include "OVModObjectUnit.h"

// Placeholder bodies until the module model is written.
namespace orvane {

TOV_MOD_Object::TOV_MOD_Object()
{
    LogFileName = "<no file name>";
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
        s = TSignalRecord{};
        s.Unit = "Volt";
    }
    AlarmActive.fill(0);
}

void TOV_MOD_Object::AttachControls(ConfigView *grid, AlarmOutput *alarms, const qint32 *goodReplyCount)
{
    ConfigGrid = grid;
    AlarmList = alarms;
    GoodReplyCount = goodReplyCount;
}

void TOV_MOD_Object::SetModuleType(qint32) {}
void TOV_MOD_Object::ProcessReply(NavigationTree *) {}
QByteArray TOV_MOD_Object::BuildRequest(int) const { return {}; }
qint32 TOV_MOD_Object::Output1Signal() const { return ModuleType == 2 ? 7 : 6; }
qint32 TOV_MOD_Object::Output2Signal() const { return ModuleType == 2 ? 8 : 7; }
void TOV_MOD_Object::SetLogging(bool) {}
void TOV_MOD_Object::ShowConfiguration() {}
void TOV_MOD_Object::ReadConfiguration() {}
void TOV_MOD_Object::SaveSettings() const {}
void TOV_MOD_Object::LoadSettings() {}
void TOV_MOD_Object::DecodeReply() {}
void TOV_MOD_Object::UpdateTreeNodes(NavigationTree *) {}
TreeNode *TOV_MOD_Object::FindModuleNode(NavigationTree *) const { return nullptr; }
void TOV_MOD_Object::EvaluateRules() {}
void TOV_MOD_Object::CheckAlarms() {}
void TOV_MOD_Object::AppendLogLine() {}
QByteArray TOV_MOD_Object::DotDecimal(const QByteArray &text)
{
    QByteArray out = text;
    out.replace(',', '.');
    return out;
}
QByteArray TOV_MOD_Object::ZeroPad(qint64 value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

} // namespace orvane
