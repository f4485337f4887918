// Texts of the fault bits a real-time record reports.
#pragma once

#include <QString>
#include <QStringList>

namespace faults {

constexpr int kFaultBitCount = 6;

// The message of every set bit, in bit order.
QStringList messages(int faultBits);
// "Fault no. 0x%0X detected" for the status label.
QString label(int faultBits);

} // namespace faults
