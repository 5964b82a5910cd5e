#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>

namespace orvane {

class ConfigFile;

// The keys of one [section] of the configuration file. Each read names a key
// as known; a value that does not parse keeps the default and records the
// file's first problem, which ConfigFile::finish() reports.
class ConfigSection
{
public:
    bool has(const char *key) const;
    QString text(const char *key, const QString &fallback = {});
    // true/false, yes/no, on/off, 1/0.
    bool flag(const char *key, bool fallback);
    int number(const char *key, int min, int max, int fallback);
    // A comma-separated list, each item trimmed, empty items left out.
    QStringList list(const char *key);
    // The key names a file (relative to the configuration file's folder)
    // holding a secret: its content without the line end. Secrets never
    // appear in a problem text.
    QByteArray secretFile(const char *key);
    // The value of `key` is wrong for a reason the caller found.
    void fail(const char *key, const QString &problem);
    // The file name of `key`'s value resolved against the configuration
    // file's folder.
    QString filePath(const char *key);
    QString name() const { return m_name; }

private:
    friend class ConfigFile;
    ConfigSection(ConfigFile *file, const QString &name)
        : m_file(file)
        , m_name(name)
    {
    }
    QString raw(const char *key);

    ConfigFile *m_file;
    QString m_name;
};

// The program's configuration file, INI format: sections named after what
// they configure ([device], [data-service], [mqtt], [notify]) with
// "key = value" lines. Reading is strict: a file that cannot be read, an
// unknown section or key, or a value that does not parse is one problem
// line "FILE: [section] key: problem", and the program does not start.
class ConfigFile
{
public:
    // An absent configuration: every section is empty.
    ConfigFile() = default;
    // False, with the problem line in *error, when the file cannot be read
    // or is not in INI format.
    bool open(const QString &path, QString *error);
    bool isOpen() const { return m_settings != nullptr; }
    QString path() const { return m_path; }

    ConfigSection section(const char *name)
    {
        return ConfigSection(this, QString::fromLatin1(name));
    }

    // After every section was read: the first problem, else the first key or
    // section nobody asked for; empty when the file is good.
    QString finish() const;

private:
    friend class ConfigSection;
    void noteProblem(const QString &section, const QString &key, const QString &problem);

    QString m_path;
    std::unique_ptr<QSettings> m_settings;
    QStringList m_known; // "section/key" of every key read
    QString m_problem;
};

} // namespace orvane
