// The hidapi C functions the program calls, served by the simulated boards.
// Listing follows Linux hidraw: a board that is open is still listed.
#include "clock.h"
#include "registry.h"
#include "sim_board.h"

#include <hidapi.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

wchar_t* wideCopy(const QString& text)
{
    const std::wstring wide = text.toStdWString();
    auto* copy = new wchar_t[wide.size() + 1];
    std::wmemcpy(copy, wide.c_str(), wide.size() + 1);
    return copy;
}

char* byteCopy(const QByteArray& text)
{
    auto* copy = new char[std::size_t(text.size()) + 1];
    std::memcpy(copy, text.constData(), std::size_t(text.size()) + 1);
    return copy;
}

hid_device_info* describe(const sim::SimBoard& board)
{
    const sim::BoardConfig& config = board.config();
    auto* info = new hid_device_info{};
    info->path = byteCopy(board.path());
    info->vendor_id = config.vendorId;
    info->product_id = config.productId;
    info->serial_number = wideCopy(config.serial);
    info->release_number = std::uint16_t(config.firmwareHigh << 8 | config.firmwareLow);
    info->manufacturer_string = wideCopy(config.manufacturer);
    info->product_string = wideCopy(config.product);
    info->usage_page = 0xFF00; // vendor-defined, as a raw HID board reports
    info->usage = 0x01;
    info->interface_number = 0;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

} // namespace

extern "C" {

int hid_init(void)
{
    return 0;
}

int hid_exit(void)
{
    return 0;
}

struct hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    const qint64 now = timing::nowMs();
    hid_device_info* first = nullptr;
    hid_device_info** next = &first;
    for (const auto& board : sim::registry().boards) {
        board->catchUp(now);
        if (!board->present())
            continue;
        const sim::BoardConfig& config = board->config();
        if ((vendor_id != 0 && vendor_id != config.vendorId) ||
            (product_id != 0 && product_id != config.productId))
            continue;
        *next = describe(*board);
        next = &(*next)->next;
    }
    return first;
}

void hid_free_enumeration(struct hid_device_info* devs)
{
    while (devs) {
        hid_device_info* next = devs->next;
        delete[] devs->path;
        delete[] devs->serial_number;
        delete[] devs->manufacturer_string;
        delete[] devs->product_string;
        delete devs;
        devs = next;
    }
}

hid_device* hid_open_path(const char* path)
{
    if (!path)
        return nullptr;
    const qint64 now = timing::nowMs();
    for (const auto& board : sim::registry().boards) {
        if (board->path() != path)
            continue;
        if (!board->opensFor(now))
            return nullptr;
        auto* handle = new hid_device;
        sim::registry().handles.insert(handle);
        board->attach(handle);
        return handle;
    }
    return nullptr;
}

int hid_set_nonblocking(hid_device* dev, int nonblock)
{
    if (!dev)
        return -1;
    dev->nonBlocking = nonblock != 0;
    return 0;
}

int hid_read(hid_device* dev, unsigned char* data, size_t length)
{
    if (!dev || !dev->board || !data)
        return -1;
    return dev->board->read(dev, data, length);
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length)
{
    if (!dev || !dev->board || !data)
        return -1;
    return dev->board->write(dev, data, length);
}

void hid_close(hid_device* dev)
{
    if (!dev)
        return;
    if (dev->board)
        dev->board->detach(dev);
    sim::registry().handles.erase(dev);
    delete dev;
}

} // extern "C"
