#include "LibftdiDriver.h"

#include "LibftdiProtocol.h"

#include <QThread>

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <climits>

namespace orvane {

namespace {

struct ContextDeleter
{
    void operator()(ftdi_context *context) const { ftdi_free(context); }
};
using ContextPtr = std::unique_ptr<ftdi_context, ContextDeleter>;

int clampToInt(DWORD value)
{
    return static_cast<int>(std::min<DWORD>(value, INT_MAX));
}

// One attached FTDI chip as libusb sees it; `device` is valid while the
// DeviceList that found it lives.
struct FoundDevice
{
    libusb_device *device = nullptr;
    int productId = 0;
    DWORD location = 0;
};

// The FTDI chips on the buses, found with one context. Holds libusb's
// references to them until destroyed.
class DeviceList
{
public:
    explicit DeviceList(ftdi_context *context)
    {
        for (int productId : kFtdiProductIds) {
            ftdi_device_list *list = nullptr;
            const int found = ftdi_usb_find_all(context, &list, kFtdiVendorId, productId);
            if (found < 0) {
                qCWarning(lcDevice).noquote()
                    << "libftdi1: listing USB devices failed:" << ftdi_get_error_string(context);
                failed = true;
                ftdi_list_free(&list);
                continue;
            }
            m_lists.push_back(list);
            for (ftdi_device_list *entry = list; entry; entry = entry->next)
                devices.push_back({ entry->dev, productId, locationOf(entry->dev) });
        }
    }

    ~DeviceList()
    {
        for (ftdi_device_list *list : m_lists)
            ftdi_list_free(&list);
    }

    DeviceList(const DeviceList &) = delete;
    DeviceList &operator=(const DeviceList &) = delete;

    std::vector<FoundDevice> devices;
    bool failed = false;

private:
    static DWORD locationOf(libusb_device *device)
    {
        uint8_t path[8] = {};
        const int depth = libusb_get_port_numbers(device, path, sizeof path);
        int ports[8] = {};
        for (int i = 0; i < depth && i < 8; ++i)
            ports[i] = path[i];
        return usbLocationId(libusb_get_bus_number(device), ports, std::max(depth, 0),
            libusb_get_device_address(device));
    }

    std::vector<ftdi_device_list *> m_lists;
};

} // namespace

struct LibftdiDriver::Port
{
    ContextPtr context;
    DWORD location = 0;
    DWORD readTimeoutMs = kDefaultTimeoutMs;
    DWORD writeTimeoutMs = kDefaultTimeoutMs;

    ~Port()
    {
        // Gives the interface back before the context goes; after an unplug
        // this fails and only the memory is released.
        if (context && context->usb_dev)
            ftdi_usb_close(context.get());
    }

    void applyTimeouts()
    {
        // libusb reads 0 as "wait for ever": every transfer gets at least 1 ms.
        context->usb_read_timeout = std::max(1, clampToInt(readTimeoutMs));
        context->usb_write_timeout
            = clampToInt(writeTimeoutMs ? writeTimeoutMs : kDefaultTimeoutMs);
    }

    // Logs a failed call with libftdi's own text; always a lost device or a
    // broken transfer for the link.
    FT_STATUS ioError(const char *what) const
    {
        qCWarning(lcDevice).noquote()
            << "libftdi1:" << what << "failed:" << ftdi_get_error_string(context.get());
        return FT_IO_ERROR;
    }
};

LibftdiDriver::LibftdiDriver() = default;
LibftdiDriver::~LibftdiDriver() = default;

std::unique_ptr<LibftdiDriver> LibftdiDriver::create(QString *reason)
{
    // ftdi_new starts a libusb context; if that is impossible no device can
    // ever be reached through this backend.
    ContextPtr probe(ftdi_new());
    if (!probe) {
        if (reason)
            *reason = QStringLiteral("libftdi1 could not start libusb");
        return nullptr;
    }
    return std::unique_ptr<LibftdiDriver>(new LibftdiDriver);
}

FT_STATUS LibftdiDriver::FT_ListDevices(void *pArg1, void *, DWORD Flags)
{
    ContextPtr context(ftdi_new());
    if (!context)
        return FT_INSUFFICIENT_RESOURCES;
    DeviceList list(context.get());
    if (list.failed)
        return FT_IO_ERROR;
    return listDevicesNumberOnly(pArg1, Flags, static_cast<DWORD>(list.devices.size()));
}

FT_STATUS LibftdiDriver::FT_CreateDeviceInfoList(DWORD *lpdwNumDevs)
{
    if (!lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    *lpdwNumDevs = 0;
    m_snapshot.clear();
    ContextPtr context(ftdi_new());
    if (!context)
        return FT_INSUFFICIENT_RESOURCES;
    DeviceList list(context.get());
    if (list.failed)
        return FT_IO_ERROR;

    std::vector<FoundChip> chips;
    for (const FoundDevice &found : list.devices)
        chips.push_back({ found.productId, found.location });
    const auto readStrings = [&](size_t index) {
        const FoundDevice &found = list.devices[index];
        char serial[16] = {};
        char description[64] = {};
        ChipStrings strings;
        strings.read = ftdi_usb_get_strings(context.get(), found.device, nullptr, 0, description,
                           sizeof description, serial, sizeof serial)
            >= 0;
        if (!strings.read) {
            strings.error = ftdi_get_error_string(context.get());
            return strings;
        }
        serial[sizeof serial - 1] = description[sizeof description - 1] = '\0';
        strings.serial = serial;
        strings.description = description;
        return strings;
    };
    const auto openHandleAt = [this](DWORD location) {
        FT_HANDLE handle = nullptr;
        for (const auto &port : m_ports.ports()) {
            if (port->location == location)
                handle = port.get();
        }
        return handle;
    };
    m_snapshot.take(chips, readStrings, openHandleAt);
    *lpdwNumDevs = static_cast<DWORD>(m_snapshot.nodes().size());
    return FT_OK;
}

FT_STATUS LibftdiDriver::FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs)
{
    return copyDeviceInfoList(m_snapshot.nodes(), pDest, lpdwNumDevs);
}

FT_STATUS LibftdiDriver::FT_OpenEx(void *pArg1, DWORD Flags, FT_HANDLE *pHandle)
{
    if (!pHandle)
        return FT_INVALID_PARAMETER;
    *pHandle = nullptr;
    if (Flags != FT_OPEN_BY_LOCATION)
        return FT_NOT_SUPPORTED;
    const DWORD location = locationFromArg(pArg1);
    for (const auto &port : m_ports.ports()) {
        if (port->location == location)
            return FT_DEVICE_NOT_OPENED; // already open, as the vendor library says
    }

    auto port = std::make_unique<Port>();
    port->context.reset(ftdi_new());
    if (!port->context)
        return FT_INSUFFICIENT_RESOURCES;
    port->location = location;
    {
        DeviceList list(port->context.get());
        const auto match = std::find_if(list.devices.begin(), list.devices.end(),
            [&](const FoundDevice &d) { return d.location == location; });
        if (match == list.devices.end())
            return FT_DEVICE_NOT_FOUND;
        if (ftdi_usb_open_dev(port->context.get(), match->device) < 0) {
            qCWarning(lcDevice).noquote()
                << "libftdi1: cannot open the device at location" << location << ":"
                << ftdi_get_error_string(port->context.get());
            return FT_DEVICE_NOT_OPENED;
        }
    }
    // A short latency timer makes a few-byte reply reach the PC within the
    // link's 10 ms read time-out; a chip that refuses it still works, slower.
    if (ftdi_set_latency_timer(port->context.get(), kLatencyMs) < 0)
        qCWarning(lcDevice).noquote()
            << "libftdi1: latency timer not set:" << ftdi_get_error_string(port->context.get());
    port->applyTimeouts();
    *pHandle = m_ports.add(std::move(port));
    return FT_OK;
}

FT_STATUS LibftdiDriver::FT_Close(FT_HANDLE ftHandle)
{
    return m_ports.take(ftHandle) ? FT_OK : FT_INVALID_HANDLE;
}

FT_STATUS LibftdiDriver::FT_ResetDevice(FT_HANDLE ftHandle)
{
    Port *port = m_ports.find(ftHandle);
    if (!port)
        return FT_INVALID_HANDLE;
    if (ftdi_usb_reset(port->context.get()) < 0)
        return port->ioError("reset");
    return FT_OK;
}

FT_STATUS LibftdiDriver::FT_SetBaudRate(FT_HANDLE ftHandle, DWORD BaudRate)
{
    Port *port = m_ports.find(ftHandle);
    if (!port)
        return FT_INVALID_HANDLE;
    if (BaudRate == 0 || BaudRate > INT_MAX)
        return FT_INVALID_BAUD_RATE;
    const int rc = ftdi_set_baudrate(port->context.get(), static_cast<int>(BaudRate));
    if (rc == -1)
        return FT_INVALID_BAUD_RATE; // libftdi: no divisor for this rate
    if (rc < 0)
        return port->ioError("setting the baud rate");
    if (ftdi_set_line_property(port->context.get(), BITS_8, STOP_BIT_1, NONE) < 0)
        return port->ioError("setting 8N1");
    return FT_OK;
}

FT_STATUS LibftdiDriver::FT_SetFlowControl(
    FT_HANDLE ftHandle, std::uint16_t FlowControl, unsigned char XonChar, unsigned char XoffChar)
{
    Port *port = m_ports.find(ftHandle);
    if (!port)
        return FT_INVALID_HANDLE;
    // The D2XX flow-control values are the chip's own request values.
    int rc = 0;
    switch (FlowControl) {
    case FT_FLOW_NONE:
        rc = ftdi_setflowctrl(port->context.get(), SIO_DISABLE_FLOW_CTRL);
        break;
    case SIO_RTS_CTS_HS:
    case SIO_DTR_DSR_HS:
        rc = ftdi_setflowctrl(port->context.get(), FlowControl);
        break;
    case SIO_XON_XOFF_HS:
        rc = ftdi_setflowctrl_xonxoff(port->context.get(), XonChar, XoffChar);
        break;
    default:
        return FT_INVALID_PARAMETER;
    }
    return rc < 0 ? port->ioError("setting the flow control") : FT_OK;
}

FT_STATUS LibftdiDriver::FT_SetTimeouts(FT_HANDLE ftHandle, DWORD ReadTimeout, DWORD WriteTimeout)
{
    Port *port = m_ports.find(ftHandle);
    if (!port)
        return FT_INVALID_HANDLE;
    port->readTimeoutMs = ReadTimeout;
    port->writeTimeoutMs = WriteTimeout;
    port->applyTimeouts();
    return FT_OK;
}

FT_STATUS LibftdiDriver::FT_Read(
    FT_HANDLE ftHandle, void *lpBuffer, DWORD dwBytesToRead, DWORD *lpdwBytesReturned)
{
    if (!lpdwBytesReturned)
        return FT_INVALID_PARAMETER;
    *lpdwBytesReturned = 0;
    Port *port = m_ports.find(ftHandle);
    if (!port)
        return FT_INVALID_HANDLE;
    if (!lpBuffer && dwBytesToRead > 0)
        return FT_INVALID_PARAMETER;

    ftdi_context *context = port->context.get();
    const auto chunk = [context](unsigned char *buffer, int size) {
        const int rc = ftdi_read_data(context, buffer, size);
        if (rc >= 0)
            return rc;
        // A transfer that timed out brought nothing; anything else (device
        // gone, pipe or I/O error) ends the read.
        return rc == LIBUSB_ERROR_TIMEOUT ? 0 : kReadChunkFailed;
    };
    const FT_STATUS status = readWithTimeout(static_cast<unsigned char *>(lpBuffer), dwBytesToRead,
        port->readTimeoutMs, lpdwBytesReturned, chunk, [] { QThread::msleep(1); });
    return status == FT_OK ? FT_OK : port->ioError("reading");
}

FT_STATUS LibftdiDriver::FT_Write(
    FT_HANDLE ftHandle, const void *lpBuffer, DWORD dwBytesToWrite, DWORD *lpdwBytesWritten)
{
    if (!lpdwBytesWritten)
        return FT_INVALID_PARAMETER;
    *lpdwBytesWritten = 0;
    Port *port = m_ports.find(ftHandle);
    if (!port)
        return FT_INVALID_HANDLE;
    if (!lpBuffer && dwBytesToWrite > 0)
        return FT_INVALID_PARAMETER;
    if (dwBytesToWrite == 0)
        return FT_OK;
    // libftdi reports a failed transfer (unplugged, timed out) without the
    // count that got through, so a failure counts as nothing written.
    const int rc = ftdi_write_data(port->context.get(),
        static_cast<const unsigned char *>(lpBuffer), clampToInt(dwBytesToWrite));
    if (rc < 0)
        return port->ioError("writing");
    *lpdwBytesWritten = static_cast<DWORD>(rc);
    return FT_OK;
}

} // namespace orvane
