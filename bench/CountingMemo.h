#pragma once
// An event-log memo that only counts its lines: the memo's rule without the
// cost of a widget, for the benchmarks.

#include "common/EventLog.h"

namespace orvane::bench {

class CountingMemo : public LogMemo
{
public:
    int lineCount() const override { return count; }
    void clear() override { count = 0; }
    void appendLine(const QByteArray &) override { ++count; }
    int count = 0;
};

} // namespace orvane::bench
