// The program's only door to the HID layer: enumeration and one open device.
// Wide strings become QString here; nothing else includes the hidapi header.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

struct hid_device_info;
struct hid_device_;

struct HidEntry {
    QByteArray path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    QString serial; // control characters replaced (boardtext::printable)
    QString manufacturer;
    QString product; // control characters replaced
};

// Owns the list of the last enumeration until the next one (or destruction) frees it.
class HidEnumeration {
public:
    HidEnumeration() = default;
    HidEnumeration(const HidEnumeration&) = delete;
    HidEnumeration& operator=(const HidEnumeration&) = delete;
    ~HidEnumeration();

    // Frees the previous list, then lists every HID device (all vendors and products).
    void refresh();
    const QList<HidEntry>& entries() const { return m_entries; }

private:
    hid_device_info* m_list = nullptr;
    QList<HidEntry> m_entries;
};

// One device handle, opened for exclusive non-blocking use.
class HidDevice {
public:
    HidDevice() = default;
    HidDevice(const HidDevice&) = delete;
    HidDevice& operator=(const HidDevice&) = delete;
    ~HidDevice();

    // Opens by path and sets non-blocking mode; false (and no handle) when the open fails.
    bool open(const QByteArray& path);
    bool isOpen() const { return m_handle != nullptr; }
    QByteArray path() const { return m_path; }
    // Bytes read (0 when nothing waits), or negative on error or with no handle.
    int read(std::uint8_t* buffer, int length);
    // Bytes written, or negative on error or with no handle.
    int write(const std::uint8_t* buffer, int length);
    // Closes the handle, if any.
    void close();

private:
    hid_device_* m_handle = nullptr;
    QByteArray m_path;
};
