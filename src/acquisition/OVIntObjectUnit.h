#pragma once

#include "FTDI_Object_Unit.h"

#include <QByteArray>

#include <functional>
#include <memory>

namespace orvane {

class LogMemo;

// The interface link: finds the Orvane Interface among the FTDI devices by the
// mark "OVI" in its serial number, opens and configures it, checks its
// identity, and keeps the connected state that every polling tick checks.
// Its progress goes to the event log.
class TOV_INT_Object
{
public:
    static constexpr DWORD BaudRate = 57600;
    static constexpr DWORD ReadTimeoutMs = 10;
    static constexpr DWORD WriteTimeoutMs = 10;
    static constexpr int IdentityWaitMs = 200;

    TOV_INT_Object(D2xxDriver *driver, OperatorMessages *messages);
    ~TOV_INT_Object();

    qint32 Location = 0;
    ::orvane::LogMemo *LogMemo = nullptr; // the event-log memo, not owned
    bool Connected = false;
    QByteArray SerialNumber;
    QByteArray IdentText;
    // Set when the program is closing: a step that was waiting does nothing
    // more with the device, which is about to be closed.
    bool Closing = false;

    TFTDIObject &device() { return *m_device; }
    const TFTDIObject &device() const { return *m_device; }

    void Init();
    void SetLog(::orvane::LogMemo *memo) { LogMemo = memo; }
    void AddLog(const QByteArray &text);
    // Processes window events and timer ticks until `ms` milliseconds passed.
    void Wait(int ms);
    void Connect();
    // Closes an open device, or gives back the handle of a failed one.
    void Disconnect();
    bool IsConnected();
    int OpenDevice();
    FT_STATUS ConfigureDevice();
    int IdentifyInterface();

    // Replaces the message-pumping wait, for tests that drive a simulated
    // clock instead of real time. An empty function restores the real wait.
    void setWaitFunction(std::function<void(int)> wait) { m_waitFunction = std::move(wait); }

private:
    std::unique_ptr<TFTDIObject> m_device;
    std::function<void(int)> m_waitFunction;
};

} // namespace orvane
