#include "VendorD2xxLibrary.h"

#include <QLibrary>

namespace orvane {

namespace {

// Stores the symbol's address in `slot` (a function pointer); false if absent.
template <class Fn>
bool resolveOne(QLibrary &library, const char *symbol, Fn &slot, QString *missing)
{
    QFunctionPointer address = library.resolve(symbol);
    if (!address) {
        if (missing && missing->isEmpty())
            *missing = QString::fromLatin1(symbol);
        return false;
    }
    slot = reinterpret_cast<Fn>(address);
    return true;
}

} // namespace

QString d2xxLibraryFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("ftd2xx.dll");
#else
    return QStringLiteral("libftd2xx.so");
#endif
}

bool resolveD2xxEntryPoints(QLibrary &library, D2xxEntryPoints &out, QString *reason)
{
    const QString file = library.fileName();
    if (!library.isLoaded() && !library.load()) {
        if (reason)
            *reason = QStringLiteral("cannot load %1: %2").arg(file, library.errorString());
        return false;
    }

    D2xxEntryPoints entry;
    QString missing;
    bool ok = true;
    // Every symbol is tried so that the reason names the first missing one in
    // this fixed order, whatever the loader's own order.
    ok &= resolveOne(library, "FT_ListDevices", entry.listDevices, &missing);
    ok &= resolveOne(library, "FT_CreateDeviceInfoList", entry.createDeviceInfoList, &missing);
    ok &= resolveOne(library, "FT_GetDeviceInfoList", entry.getDeviceInfoList, &missing);
    ok &= resolveOne(library, "FT_OpenEx", entry.openEx, &missing);
    ok &= resolveOne(library, "FT_Close", entry.close, &missing);
    ok &= resolveOne(library, "FT_ResetDevice", entry.resetDevice, &missing);
    ok &= resolveOne(library, "FT_SetBaudRate", entry.setBaudRate, &missing);
    ok &= resolveOne(library, "FT_SetFlowControl", entry.setFlowControl, &missing);
    ok &= resolveOne(library, "FT_SetTimeouts", entry.setTimeouts, &missing);
    ok &= resolveOne(library, "FT_Read", entry.read, &missing);
    ok &= resolveOne(library, "FT_Write", entry.write, &missing);
    if (!ok) {
        if (reason)
            *reason = QStringLiteral("%1 has no symbol %2").arg(file, missing);
        library.unload();
        return false;
    }
    out = entry;
    return true;
}

} // namespace orvane
