#include "VersionInfo.h"

#include "OrvaneVersion.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <vector>
#endif

namespace orvane {

TVerInfo::TVerInfo()
    : m_resource(programVersionResource())
{
}

TVerInfo::TVerInfo(std::optional<VersionResource> resource)
    : m_resource(std::move(resource))
{
}

QString TVerInfo::value(const QString &entry) const
{
    if (!m_resource)
        return {};
    for (const auto &pair : m_resource->entries) {
        if (pair.first == entry)
            return pair.second;
    }
    return {};
}

unsigned TVerInfo::language() const
{
    return m_resource ? m_resource->tableKey.left(4).toUInt(nullptr, 16) : 0;
}

unsigned TVerInfo::codePage() const
{
    return m_resource ? m_resource->tableKey.mid(4, 4).toUInt(nullptr, 16) : 0;
}

#ifdef Q_OS_WIN
std::optional<VersionResource> programVersionResource()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::nullopt;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return std::nullopt;
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(path, 0, size, data.data()))
        return std::nullopt;
    struct Translation
    {
        WORD language;
        WORD codePage;
    } *translation = nullptr;
    UINT translationSize = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
            reinterpret_cast<void **>(&translation), &translationSize)
        || translationSize < sizeof(Translation))
        return std::nullopt;
    VersionResource resource;
    resource.tableKey = QStringLiteral("%1%2")
                            .arg(translation->language, 4, 16, QLatin1Char('0'))
                            .arg(translation->codePage, 4, 16, QLatin1Char('0'))
                            .toUpper();
    const char *names[]
        = { "CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
              "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments" };
    for (const char *name : names) {
        const QString query = QStringLiteral("\\StringFileInfo\\%1\\%2")
                                  .arg(resource.tableKey, QLatin1String(name));
        wchar_t *text = nullptr;
        UINT textSize = 0;
        if (VerQueryValueW(data.data(), reinterpret_cast<const wchar_t *>(query.utf16()),
                reinterpret_cast<void **>(&text), &textSize)
            && text && textSize > 0)
            resource.entries.append(
                { QLatin1String(name), QString::fromWCharArray(text).trimmed() });
    }
    return resource;
}
#else
std::optional<VersionResource> programVersionResource()
{
    VersionResource resource;
    resource.tableKey = QStringLiteral(ORVANE_VERSION_TRANSLATION);
    resource.entries = {
        { QStringLiteral("CompanyName"), QStringLiteral(ORVANE_COMPANY_NAME) },
        { QStringLiteral("FileDescription"), QStringLiteral(ORVANE_FILE_DESCRIPTION) },
        { QStringLiteral("FileVersion"), QStringLiteral(ORVANE_FILE_VERSION) },
        { QStringLiteral("InternalName"), QStringLiteral(ORVANE_INTERNAL_NAME) },
        { QStringLiteral("LegalCopyright"), QStringLiteral(ORVANE_LEGAL_COPYRIGHT) },
        { QStringLiteral("OriginalFilename"), QStringLiteral(ORVANE_INTERNAL_NAME) },
        { QStringLiteral("ProductName"), QStringLiteral(ORVANE_PRODUCT_NAME) },
        { QStringLiteral("ProductVersion"), QStringLiteral(ORVANE_FILE_VERSION) },
    };
    return resource;
}
#endif

} // namespace orvane
