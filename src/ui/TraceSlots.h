#pragma once

namespace orvane {

// The trace window's six trace slots, as the configuration grid's "Trace"
// check boxes use them. Module numbers are slots 1..4, signals 1..16.
class TraceSlots
{
public:
    virtual ~TraceSlots() = default;
    // True when the pair is on a slot afterwards (also when it already was);
    // false when all slots are taken, after the trace window told the
    // operator so.
    virtual bool AddTrace(int module, int signal) = 0;
    // Frees every slot holding the pair.
    virtual void RemoveTrace(int module, int signal) = 0;
};

} // namespace orvane
