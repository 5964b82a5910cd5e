#include "ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvane {

namespace {
constexpr qint64 kMaxConfigBytes = 1 << 20;
constexpr qint64 kMaxSecretBytes = 4096;

QString quoted(const QString &value)
{
    return QLatin1Char('"') + value + QLatin1Char('"');
}

// The INI reader skips lines it cannot make sense of; a typo there would
// silently lose a setting. Every line must be blank, a comment (";" or "#"),
// a [section] or a key = value.
QString lineProblem(const QByteArray &content)
{
    int number = 0;
    for (const QByteArray &raw : content.split('\n')) {
        ++number;
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#') || line.contains('='))
            continue;
        if (line.startsWith('[') && line.endsWith(']') && line.size() > 2)
            continue;
        return QStringLiteral("line %1: not a [section], a key = value or a comment").arg(number);
    }
    return {};
}

// A "#key = value" line is a key that was commented out.
bool isCommentedOut(const QString &key)
{
    return key.startsWith(QLatin1Char('#')) || key.contains(QLatin1String("/#"));
}
} // namespace

bool ConfigFile::open(const QString &path, QString *error)
{
    m_path = path;
    const QFileInfo info(path);
    QString why;
    const QString unreadable = QStringLiteral("cannot be read: ");
    if (!info.exists())
        why = unreadable + QStringLiteral("no such file");
    else if (!info.isFile())
        why = unreadable + QStringLiteral("not a regular file");
    else if (info.size() > kMaxConfigBytes)
        why = QStringLiteral("larger than 1 MiB");
    else {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            why = unreadable + probe.errorString();
        else
            why = lineProblem(probe.readAll());
    }
    if (why.isEmpty()) {
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        if (m_settings->status() != QSettings::NoError) {
            why = QStringLiteral("not in INI format");
            m_settings.reset();
        }
    }
    if (!why.isEmpty()) {
        if (error)
            *error = path + QStringLiteral(": ") + why;
        return false;
    }
    return true;
}

void ConfigFile::noteProblem(const QString &section, const QString &key, const QString &problem)
{
    if (m_problem.isEmpty())
        m_problem = m_path + QStringLiteral(": [") + section + QStringLiteral("] ") + key
            + QStringLiteral(": ") + problem;
}

QString ConfigFile::finish() const
{
    if (!m_settings)
        return {};
    if (!m_problem.isEmpty())
        return m_problem;
    for (const QString &key : m_settings->allKeys()) {
        if (isCommentedOut(key))
            continue;
        const qsizetype slash = key.indexOf(QLatin1Char('/'));
        if (slash < 0)
            return m_path + QStringLiteral(": ") + key + QStringLiteral(": key outside a section");
        if (m_known.contains(key))
            continue;
        const QString section = key.left(slash);
        const bool knownSection = std::any_of(m_known.cbegin(), m_known.cend(),
            [&](const QString &k) { return k.startsWith(section + QLatin1Char('/')); });
        if (!knownSection)
            return m_path + QStringLiteral(": [") + section + QStringLiteral("]: unknown section");
        return m_path + QStringLiteral(": [") + section + QStringLiteral("] ") + key.mid(slash + 1)
            + QStringLiteral(": unknown key");
    }
    return {};
}

QString ConfigSection::raw(const char *key)
{
    const QString full = m_name + QLatin1Char('/') + QLatin1String(key);
    if (!m_file->m_known.contains(full))
        m_file->m_known.append(full);
    if (!m_file->m_settings)
        return {};
    const QVariant value = m_file->m_settings->value(full);
    // QSettings splits a value at unquoted commas; the list keys want them.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString().trimmed();
}

bool ConfigSection::has(const char *key) const
{
    return m_file->m_settings
        && m_file->m_settings->contains(m_name + QLatin1Char('/') + QLatin1String(key));
}

void ConfigSection::fail(const char *key, const QString &problem)
{
    m_file->noteProblem(m_name, QLatin1String(key), problem);
}

QString ConfigSection::text(const char *key, const QString &fallback)
{
    const QString value = raw(key);
    if (!has(key))
        return fallback;
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            fail(key, QStringLiteral("holds a control character"));
            return fallback;
        }
    }
    return value;
}

bool ConfigSection::flag(const char *key, bool fallback)
{
    const QString value = text(key).toLower();
    if (!has(key))
        return fallback;
    if (value == u"true" || value == u"yes" || value == u"on" || value == u"1")
        return true;
    if (value == u"false" || value == u"no" || value == u"off" || value == u"0")
        return false;
    fail(key, quoted(value) + QStringLiteral(" is not true or false"));
    return fallback;
}

int ConfigSection::number(const char *key, int min, int max, int fallback)
{
    const QString value = text(key);
    if (!has(key))
        return fallback;
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!ok || n < min || n > max) {
        fail(key,
            quoted(value)
                + QStringLiteral(" is not a whole number from %1 to %2").arg(min).arg(max));
        return fallback;
    }
    return int(n);
}

QStringList ConfigSection::list(const char *key)
{
    QStringList items;
    for (const QString &item : text(key).split(QLatin1Char(','))) {
        if (!item.trimmed().isEmpty())
            items.append(item.trimmed());
    }
    return items;
}

QString ConfigSection::filePath(const char *key)
{
    const QString value = text(key);
    if (value.isEmpty())
        return {};
    return QFileInfo(m_file->m_path).dir().absoluteFilePath(value);
}

QByteArray ConfigSection::secretFile(const char *key)
{
    const QString path = filePath(key);
    if (path.isEmpty())
        return {};
    QFile file(path);
    const QFileInfo info(path);
    QString why;
    if (!info.isFile())
        why = info.exists() ? QStringLiteral("not a regular file") : QStringLiteral("no such file");
    else if (info.size() > kMaxSecretBytes)
        why = QStringLiteral("larger than 4 KiB");
    else if (!file.open(QIODevice::ReadOnly))
        why = file.errorString();
    if (!why.isEmpty()) {
        fail(key, quoted(path) + QStringLiteral(" cannot be read: ") + why);
        return {};
    }
    QByteArray secret = file.readAll();
    while (secret.endsWith('\n') || secret.endsWith('\r'))
        secret.chop(1);
    if (secret.isEmpty())
        fail(key, quoted(path) + QStringLiteral(" is empty"));
    return secret;
}

} // namespace orvane
