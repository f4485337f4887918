// Fault messages, one per bit of the board's fault byte.
#include "device/fault_text.h"

#include "c_format.h"

namespace faults {
namespace {
const char* const kMessages[kFaultBitCount] = {
    "Device has entered overtemperature shutdown.",
    "Channel A overcurrent shutdown. Please check wireing or possible short circuit.",
    "Channel B overcurrent shutdown. Please check wireing or possible short circuit.",
    "Channel A predriver fault. Please check driver settings.",
    "Channel B predriver fault. Please check driver settings.",
    "Power supply voltage too low.",
};
} // namespace

QStringList messages(int faultBits)
{
    QStringList result;
    for (int bit = 0; bit < kFaultBitCount; ++bit)
        if (faultBits & (1 << bit))
            result.append(QString::fromLatin1(kMessages[bit]));
    return result;
}

QString label(int faultBits)
{
    return cformat("Fault no. 0x%0X detected", static_cast<unsigned>(faultBits));
}

} // namespace faults
