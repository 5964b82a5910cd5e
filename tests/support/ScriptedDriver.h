#pragma once

#include "acquisition/d2xx/D2xxDriver.h"

#include <QByteArrayList>
#include <QList>
#include <QMap>

#include <algorithm>
#include <cstring>

namespace orvane {

// A D2XX driver whose devices, answers and failures a test writes down: the
// way to make a driver fail on demand. Reads return the queued answers one
// per call; every call is recorded by name.
class ScriptedDriver : public D2xxDriver
{
public:
    struct Device
    {
        DWORD location = 0;
        QByteArray serial;
        QByteArray description;
    };

    QString name() const override { return QStringLiteral("scripted"); }

    FT_STATUS FT_ListDevices(void *count, void *, DWORD flags) override
    {
        lastListFlags = flags;
        const FT_STATUS s = record("FT_ListDevices");
        if (s == FT_OK && count)
            *static_cast<DWORD *>(count) = DWORD(devices.size());
        return s;
    }
    FT_STATUS FT_CreateDeviceInfoList(DWORD *count) override
    {
        const FT_STATUS s = record("FT_CreateDeviceInfoList");
        if (s == FT_OK)
            *count = DWORD(devices.size());
        return s;
    }
    FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *nodes, DWORD *count) override
    {
        const FT_STATUS s = record("FT_GetDeviceInfoList");
        *count = s == FT_OK ? std::min<DWORD>(*count, DWORD(devices.size())) : 0;
        for (DWORD i = 0; i < *count; ++i) {
            nodes[i] = FT_DEVICE_LIST_INFO_NODE {};
            nodes[i].LocId = devices[int(i)].location;
            setDeviceInfoText(nodes[i], devices[int(i)].serial, devices[int(i)].description);
        }
        return s;
    }
    FT_STATUS FT_OpenEx(void *location, DWORD, FT_HANDLE *handle) override
    {
        const FT_STATUS s = record("FT_OpenEx");
        if (s == FT_OK) {
            openedLocation = locationFromArg(location);
            *handle = &m_handleToken;
        }
        return s;
    }
    FT_STATUS FT_Close(FT_HANDLE) override { return record("FT_Close"); }
    FT_STATUS FT_ResetDevice(FT_HANDLE) override { return record("FT_ResetDevice"); }
    FT_STATUS FT_SetBaudRate(FT_HANDLE, DWORD rate) override
    {
        baudRate = rate;
        return record("FT_SetBaudRate");
    }
    FT_STATUS FT_SetFlowControl(
        FT_HANDLE, std::uint16_t flow, unsigned char, unsigned char) override
    {
        flowControl = flow;
        return record("FT_SetFlowControl");
    }
    FT_STATUS FT_SetTimeouts(FT_HANDLE, DWORD read, DWORD write) override
    {
        readTimeout = read;
        writeTimeout = write;
        return record("FT_SetTimeouts");
    }
    FT_STATUS FT_Read(FT_HANDLE, void *buffer, DWORD size, DWORD *got) override
    {
        const FT_STATUS s = record("FT_Read");
        const QByteArray next = s == FT_OK && !reads.isEmpty() ? reads.takeFirst() : QByteArray();
        *got = std::min<DWORD>(size, DWORD(next.size()));
        std::memcpy(buffer, next.constData(), *got);
        return s;
    }
    FT_STATUS FT_Write(FT_HANDLE, const void *bytes, DWORD size, DWORD *done) override
    {
        const FT_STATUS s = record("FT_Write");
        *done = s == FT_OK ? size : 0;
        if (s == FT_OK)
            written.append(QByteArray(static_cast<const char *>(bytes), qsizetype(size)));
        return s;
    }

    // Status to return from the named call ("FT_OpenEx", "FT_Read", ...);
    // calls not listed succeed.
    QMap<QString, FT_STATUS> failures;
    QList<Device> devices;
    QByteArrayList reads; // answers of the next FT_Read calls, in order
    QByteArrayList written; // every frame written
    QStringList calls; // every call by name, in order
    DWORD openedLocation = 0;
    DWORD baudRate = 0;
    DWORD readTimeout = 0, writeTimeout = 0;
    std::uint16_t flowControl = 0xFFFF;
    DWORD lastListFlags = 0;

private:
    FT_STATUS record(const char *call)
    {
        calls.append(QString::fromLatin1(call));
        return failures.value(QString::fromLatin1(call), FT_OK);
    }
    int m_handleToken = 0;
};

} // namespace orvane
