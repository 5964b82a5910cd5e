#include "OVModObjectUnit.h"

#include "ModuleSettings.h"
#include "NumberText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// The settings file and the measurement log. Both live in the current
// directory and are opened, written and closed within one operation. Saving
// settings and starting a log say why they failed; the caller reports it.
namespace orvane {

namespace {
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// File names are bytes; they reach the file system as Latin-1, which keeps the
// safe ASCII names that fileNameSafeText() makes.
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

// Opens `name` only when it is a regular file (or, with WriteOnly and without
// ExistingOnly, a new one), and never blocks: a FIFO, a device or a folder of
// that name fails at once. Truncate and Append work as with QFile::open.
bool openRegularFile(QFile &file, const QString &name, QIODevice::OpenMode mode)
{
#ifdef Q_OS_UNIX
    // Opened non-blocking, since opening a FIFO blocks until its other end
    // is opened; the type is checked on the open descriptor, so a file
    // swapped in between cannot slip through.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    flags |= (mode & QIODevice::ReadWrite) == QIODevice::ReadWrite ? O_RDWR
        : (mode & QIODevice::WriteOnly)                            ? O_WRONLY
                                                                   : O_RDONLY;
    if ((mode & QIODevice::WriteOnly) && !(mode & QIODevice::ExistingOnly))
        flags |= O_CREAT;
    if (mode & QIODevice::Append)
        flags |= O_APPEND;
    const int fd = ::open(QFile::encodeName(name).constData(), flags, 0666);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
        && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0
        && (!(mode & QIODevice::Truncate) || ::ftruncate(fd, 0) == 0);
    const QIODevice::OpenMode kept = mode & (QIODevice::ReadWrite | QIODevice::Append);
    ok = ok && file.open(fd, kept, QFileDevice::AutoCloseHandle);
    if (!ok)
        ::close(fd);
    return ok;
#else
    const QFileInfo info(name);
    if (info.exists() && !info.isFile())
        return false;
    file.setFileName(name);
    return file.open(mode);
#endif
}

// QSaveFile writes to "<name>.XXXXXX" and renames it at the end (where the
// system cannot make an unnamed temporary file). A save cut short by a crash
// leaves that file behind: remove such files of this settings file.
void removeStaleTemporaries(const QString &name)
{
    const QString prefix = name + u'.';
    const QStringList candidates
        = QDir(QStringLiteral("."))
              .entryList({ QStringLiteral("Module_v13_*") }, QDir::Files | QDir::Hidden);
    for (const QString &candidate : candidates) {
        if (candidate.size() != prefix.size() + 6 || !candidate.startsWith(prefix))
            continue;
        const QStringView suffix = QStringView(candidate).sliced(prefix.size());
        if (std::all_of(suffix.begin(), suffix.end(),
                [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); }))
            QFile::remove(candidate);
    }
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
    const QFileInfo existing(name);
    if (existing.exists()) {
        // Only a regular file is replaced: a FIFO, a device or a folder of
        // that name stays (writing into a FIFO would block). A settings file
        // the operator made read-only stays as it is too, as when it was
        // overwritten in place; replacing it by rename would not notice.
        if (!existing.isFile())
            return failed(error, QStringLiteral("it is not a regular file"));
        if (!existing.isWritable())
            return failed(error, QStringLiteral("the file is read-only"));
    }
    removeStaleTemporaries(name);
    // Written to a temporary file and renamed over the old one, so a crash or
    // a full disk never leaves a damaged settings file behind. In a folder
    // the program may not create files in, the file is written in place.
    QSaveFile file(name);
    file.setDirectWriteFallback(true);
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
    // Read-only, without creating it: a missing file (or one that is not a
    // regular file) leaves the table as SetModuleType wrote it, and a file
    // the operator made read-only is still used.
    QFile file;
    if (!openRegularFile(file, fileName(SettingsFileName()), QIODevice::ReadOnly))
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
    QFile file;
    if (!openRegularFile(file, fileName(LogFileName), QIODevice::WriteOnly | QIODevice::Append))
        return failed(error, QStringLiteral("it cannot be opened as a regular file"));
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
    QFile file;
    if (openRegularFile(file, fileName(LogFileName),
            QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly))
        file.write(line);
}

} // namespace orvane
