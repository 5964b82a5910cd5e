#pragma once

#include "publish/PublishSettings.h"

#include <QString>

namespace orvane {

// --notify-test: sends one test event through every configured channel (web
// hook, e-mail) at once, without retries, and prints one line per channel
// with its outcome. Returns 0 when every channel delivered, 1 otherwise,
// also when none is configured (a line says where to configure one).
// `configFile` is the file that was read, empty for none.
int runNotifyTest(const NotifySettings &settings, const QString &configFile);

} // namespace orvane
