#include "OVModObjectUnit.h"

#include "ModuleSettings.h"
#include "NumberText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// The settings file and the measurement log. Both live in the current
// directory and are opened, written and closed within one operation. Saving
// settings and starting a log say why they failed; the caller reports it.
namespace orvane {

namespace {
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// File names are bytes; they reach the file system as Latin-1, which keeps the
// safe ASCII names that fileNameSafeText() leaves unchanged.
QString fileName(const QByteArray &name)
{
    return QString::fromLatin1(name);
}

bool failed(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

QByteArray timeText(const QTime &t)
{
    return TOV_MOD_Object::ZeroPad(t.hour(), 2) + ':' + TOV_MOD_Object::ZeroPad(t.minute(), 2) + ':'
        + TOV_MOD_Object::ZeroPad(t.second(), 2);
}
} // namespace

bool TOV_MOD_Object::SaveSettings(QString *error) const
{
    const QString name = fileName(SettingsFileName());
    // A settings file the operator made read-only stays as it is, as when it
    // was overwritten in place; replacing it by rename would not notice.
    const QFileInfo existing(name);
    if (existing.exists() && !existing.isWritable())
        return failed(error, QStringLiteral("the file is read-only"));
    // Written to a temporary file and renamed over the old one, so a crash or
    // a full disk never leaves a damaged settings file behind.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return failed(error, file.errorString());
    const QByteArray bytes = encodeSignalTable(Signals);
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return failed(error, why);
    }
    if (!file.commit())
        return failed(error, file.errorString());
    return true;
}

void TOV_MOD_Object::LoadSettings()
{
    // Opened for reading and writing without creating it: a missing file, and
    // one that cannot be written (read-only, locked), leave the table as
    // SetModuleType wrote it.
    QFile file(fileName(SettingsFileName()));
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return;
    const QByteArray bytes = file.read(kSettingsFileSize);
    file.close();
    decodeSignalTable(bytes.constData(), bytes.size(), Signals);
}

bool TOV_MOD_Object::SetLogging(bool on, QString *error)
{
    if (!on) {
        Logging = false;
        LogFileName = NoLogFileName;
        return true;
    }
    if (Logging)
        return true; // the running log continues in its file
    Logging = true;
    const QDateTime now = currentTime();
    const QDate d = now.date();
    LogFileName = "Data_" + fileNameSafeText(SerialText) + '_' + ZeroPad(d.year(), 4) + '-'
        + ZeroPad(d.month(), 2) + '-' + ZeroPad(d.day(), 2) + '_' + ZeroPad(now.time().hour(), 2)
        + '-' + ZeroPad(now.time().minute(), 2) + '-' + ZeroPad(now.time().second(), 2) + ".txt";

    QByteArray header = "# Measurement : " + LogFileName + kLineEnd;
    const int count = usedSignals();
    for (int i = 1; i <= count; ++i)
        header += "# " + Signals[i].Name + ' ' + Signals[i].Unit + kLineEnd;
    // A log started again within the same second has the same name: its
    // header block goes behind the lines already there, which are never
    // truncated. A file that cannot be created loses the log; Logging stays
    // on, as the later lines find out for themselves.
    QFile file(fileName(LogFileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return failed(error, file.errorString());
    if (file.write(header) != header.size() || !file.flush())
        return failed(error, file.errorString());
    return true;
}

void TOV_MOD_Object::AppendLogLine()
{
    const int columns = ModuleType == 2 ? 8 : ModuleType == 1 ? 7 : 0;
    QByteArray line = timeText(currentTime().time()) + ' ';
    for (int i = 1; i <= columns; ++i)
        line += formatLogColumn(Samples[i].Current);
    line = DotDecimal(line) + kLineEnd;
    // Appending never creates the file: when the log could not be created, or
    // was removed, its lines are lost rather than written without a header.
    QFile file(fileName(LogFileName));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly))
        file.write(line);
}

} // namespace orvane
