#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

// The system keeps texts as Windows-1252 bytes. These two helpers are the only
// place where they become Unicode (for widgets and the console) and back.
QString fromWindows1252(const QByteArray &bytes);
// Characters that Windows-1252 cannot hold become '?'.
QByteArray toWindows1252(const QString &text);

} // namespace orvane
