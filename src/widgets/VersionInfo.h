#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace orvane {

// A version resource: the key of its first string table (four hexadecimal
// digits of language, four of code page) and that table's entries.
struct VersionResource
{
    QString tableKey;
    QList<QPair<QString, QString>> entries;
};

// Reads entries of the program's version resource: the Windows resource of
// the executable, or on other systems the same values compiled into the
// program. A missing resource or entry reads as an empty text.
class TVerInfo
{
public:
    TVerInfo();
    // A given resource, or none (std::nullopt): a program without one.
    explicit TVerInfo(std::optional<VersionResource> resource);

    QString value(const QString &entry) const;

    QString CompanyName() const { return value(QStringLiteral("CompanyName")); }
    QString FileDescription() const { return value(QStringLiteral("FileDescription")); }
    QString FileVersion() const { return value(QStringLiteral("FileVersion")); }
    QString InternalName() const { return value(QStringLiteral("InternalName")); }
    QString LegalCopyright() const { return value(QStringLiteral("LegalCopyright")); }
    QString LegalTrademarks() const { return value(QStringLiteral("LegalTrademarks")); }
    QString OriginalFilename() const { return value(QStringLiteral("OriginalFilename")); }
    QString ProductName() const { return value(QStringLiteral("ProductName")); }
    QString ProductVersion() const { return value(QStringLiteral("ProductVersion")); }
    QString Comments() const { return value(QStringLiteral("Comments")); }

    // Language and code page taken from the string table's key; 0 without one.
    unsigned language() const;
    unsigned codePage() const;

private:
    std::optional<VersionResource> m_resource;
};

// The program's own resource, as TVerInfo() reads it.
std::optional<VersionResource> programVersionResource();

} // namespace orvane
