#include "InterfaceReconnect.h"

#include "AcquisitionControl.h"
#include "ThdTimer.h"
#include "d2xx/D2xxDriver.h"

#include <algorithm>
#include <vector>

namespace orvane {

namespace {
constexpr const char *kInterfaceMark = "OVI";
constexpr const char *kCheckedEvery = " (device list checked every 2 s)";
} // namespace

InterfaceReconnect::InterfaceReconnect(
    AcquisitionControl &acq, D2xxDriver *driver, std::function<qint64()> nowMs)
    : m_acq(acq)
    , m_driver(driver)
    , m_nowMs(std::move(nowMs))
{
    m_steady.start();
}

qint64 InterfaceReconnect::now()
{
    return m_nowMs ? m_nowMs() : m_steady.elapsed();
}

void InterfaceReconnect::log(const QByteArray &line)
{
    m_acq.InfoDialogAdd(line);
}

void InterfaceReconnect::afterTick()
{
    TOV_INT_Object &link = *m_acq.IntObject;
    // Nothing while the start-up scan is still to come, while any scan runs
    // (its waits process ticks), or once the program is closing.
    if (m_busy || m_acq.StartUp || m_acq.isScanning() || link.Closing)
        return;

    switch (m_state) {
    case State::Starting:
        if (link.IsConnected()) {
            m_state = State::Watching;
            m_serial = link.SerialNumber;
        } else {
            m_hadModules = false;
            waitFor(QByteArray());
        }
        return;
    case State::Watching:
        if (link.IsConnected())
            m_serial = link.SerialNumber; // an operator's scan may have chosen another
        else
            lose();
        return;
    case State::Waiting:
        break;
    }

    // Polling running again by other means (the operator scanned): watch that.
    if (link.IsConnected() && m_acq.CyclicUpdate) {
        m_state = State::Watching;
        m_serial = link.SerialNumber;
        continueLogs();
        return;
    }
    const qint64 t = now();
    if (t < m_nextLookUpMs)
        return;
    m_nextLookUpMs = t + LookUpIntervalMs;
    const QByteArray found = lookUp();
    if (found.isEmpty()) {
        // Gone from the list: when it returns it is tried at once.
        m_failures = 0;
        m_retryAtMs = 0;
        return;
    }
    if (t >= m_retryAtMs)
        attempt(found);
}

void InterfaceReconnect::lose()
{
    m_hadModules = false;
    m_loggingSerials.clear();
    log("Interface " + m_serial + " lost");
    // Logs that are on end here (the scan that brings a module back would
    // otherwise add a line to them) and continue in new files.
    for (TOV_MOD_Object *module : m_acq.modules()) {
        m_hadModules = m_hadModules || module->Present;
        if (module->Present && module->Logging) {
            m_loggingSerials.append(module->SerialText);
            module->SetLogging(false);
        }
    }
    // The failed device's handle is given back now rather than at the next
    // scan: nothing more is done with it.
    m_acq.IntObject->Disconnect();
    waitFor(m_serial);
}

void InterfaceReconnect::waitFor(const QByteArray &serial)
{
    m_state = State::Waiting;
    m_serial = serial;
    m_failures = 0;
    m_retryAtMs = 0;
    m_nextLookUpMs = now() + LookUpIntervalMs;
    log(serial.isEmpty() ? QByteArray("Waiting for an interface") + kCheckedEvery
                         : "Waiting for interface " + serial + kCheckedEvery);
}

QByteArray InterfaceReconnect::lookUp()
{
    DWORD count = 0;
    if (!m_driver || m_driver->FT_CreateDeviceInfoList(&count) != FT_OK || count == 0)
        return {};
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(count);
    if (m_driver->FT_GetDeviceInfoList(nodes.data(), &count) != FT_OK)
        return {};
    nodes.resize(std::min<size_t>(count, nodes.size()));
    for (const FT_DEVICE_LIST_INFO_NODE &node : nodes) {
        const QByteArray serial = TFTDIObject::nodeSerial(node);
        if (m_serial.isEmpty() ? serial.contains(kInterfaceMark) : serial == m_serial)
            return serial;
    }
    return {};
}

void InterfaceReconnect::attempt(const QByteArray &serial)
{
    TOV_INT_Object &link = *m_acq.IntObject;
    log("Interface " + serial + (m_serial.isEmpty() ? " found" : " found again"));

    // As at start-up: the timer rests during the scan and the cycle then
    // begins at its first step, so no reply from before the loss is used.
    m_busy = true;
    TThreadedTimer *timer = m_acq.ThreadedTimer1;
    if (timer)
        timer->setEnabled(false);
    link.device().RequiredSerial = serial;
    m_acq.ScanButtonClick();
    link.device().RequiredSerial.clear();
    if (timer)
        timer->setEnabled(true);
    m_acq.PollState = 1;
    m_busy = false;
    if (link.Closing)
        return;

    const bool back = link.IsConnected() && link.SerialNumber == serial
        && (m_acq.CyclicUpdate || !m_hadModules);
    if (back) {
        m_state = State::Watching;
        m_serial = serial;
        continueLogs();
        log("Interface " + serial + " is back");
        return;
    }
    ++m_failures;
    const qint64 delay = std::min(LookUpIntervalMs << std::min(m_failures, 8), MaxRetryMs);
    m_retryAtMs = now() + delay;
    log("Interface " + serial + " did not come back: next try in "
        + QByteArray::number(delay / 1000) + " s");
}

void InterfaceReconnect::continueLogs()
{
    for (TOV_MOD_Object *module : m_acq.modules()) {
        if (!module->Present || !m_loggingSerials.contains(module->SerialText))
            continue;
        module->SetLogging(true);
        log("Logging of " + module->SerialText + " continues in " + module->LogFileName);
    }
    m_loggingSerials.clear();
}

} // namespace orvane
