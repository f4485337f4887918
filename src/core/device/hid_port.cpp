// hidapi calls, exactly as the link needs them.
#include "device/hid_port.h"

#include "device/board_text.h"

#include <hidapi.h>

namespace {
QString fromWide(const wchar_t* text)
{
    return text ? QString::fromWCharArray(text) : QString();
}
} // namespace

HidEnumeration::~HidEnumeration()
{
    hid_free_enumeration(m_list);
}

void HidEnumeration::refresh()
{
    hid_free_enumeration(m_list);
    m_entries.clear();
    m_list = hid_enumerate(0, 0);
    for (const hid_device_info* info = m_list; info; info = info->next) {
        HidEntry entry;
        entry.path = QByteArray(info->path);
        entry.vendorId = info->vendor_id;
        entry.productId = info->product_id;
        // Shown and logged as they are; the maker string is only compared.
        entry.serial = boardtext::printable(fromWide(info->serial_number));
        entry.manufacturer = fromWide(info->manufacturer_string);
        entry.product = boardtext::printable(fromWide(info->product_string));
        m_entries.append(entry);
    }
}

HidDevice::~HidDevice()
{
    close();
}

bool HidDevice::open(const QByteArray& path)
{
    close();
    m_handle = hid_open_path(path.constData());
    if (!m_handle)
        return false;
    m_path = path;
    hid_set_nonblocking(m_handle, 1);
    return true;
}

int HidDevice::read(std::uint8_t* buffer, int length)
{
    if (!m_handle)
        return -1;
    return hid_read(m_handle, buffer, static_cast<size_t>(length));
}

int HidDevice::write(const std::uint8_t* buffer, int length)
{
    if (!m_handle)
        return -1;
    return hid_write(m_handle, buffer, static_cast<size_t>(length));
}

void HidDevice::close()
{
    if (m_handle)
        hid_close(m_handle);
    m_handle = nullptr;
    m_path.clear();
}
