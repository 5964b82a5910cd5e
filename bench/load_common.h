#pragma once
// Shared pieces of the TCP load tools: the sample modules every server
// answers with, and the descriptor limit.

#include "modules/OVModObjectUnit.h"
#include "net/DataLine.h"

#include <sys/resource.h>

#include <array>
#include <cmath>
#include <memory>

namespace orvane::bench {

// Two modules like the demonstration network: a type-1 module in slot 1
// (five inputs, two outputs) and a type-2 module in slot 3.
struct SampleModules
{
    std::array<std::unique_ptr<TOV_MOD_Object>, 4> objects;

    SampleModules()
    {
        for (auto &o : objects)
            o = std::make_unique<TOV_MOD_Object>();
        setUp(*objects[0], "0x1004A2", 7);
        setUp(*objects[2], "0x2000B7", 8);
        update(0);
    }
    static void setUp(TOV_MOD_Object &m, const char *serial, int count)
    {
        m.Present = true;
        m.SerialText = serial;
        m.SignalCount = count;
        for (int i = 1; i <= count; ++i)
            m.Signals[i].Unit = i > count - 2 ? "On/Off" : "Volt";
    }
    // New readings for tick number `tick`.
    void update(int tick)
    {
        for (int slot : { 0, 2 }) {
            TOV_MOD_Object &m = *objects[slot];
            for (int i = 1; i <= m.SignalCount; ++i)
                m.Samples[i].Current = i > m.SignalCount - 2
                    ? double((tick / 10 + i) % 2)
                    : 2.5 + 2.0 * std::sin(0.05 * tick + i);
        }
    }
    std::array<const TOV_MOD_Object *, 4> pointers() const
    {
        return { objects[0].get(), objects[1].get(), objects[2].get(), objects[3].get() };
    }
    QByteArray dataLine() const { return buildDataLine(pointers()); }
};

inline void raiseDescriptorLimit(rlim_t wanted = 8192)
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace orvane::bench
