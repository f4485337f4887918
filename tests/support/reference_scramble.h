// Test support: the program's scrambling of a command report, written out step
// by step with the random byte given, so tests can check that the simulated
// board undoes exactly what the program does.
#pragma once

#include <QByteArray>

namespace support {

inline void scramble(QByteArray& r, quint32 key, quint8 random)
{
    auto b = [&r](int i) { return quint8(r[i]); };
    const quint8 k0 = key & 0xFF, k1 = (key >> 8) & 0xFF, k2 = (key >> 16) & 0xFF, k3 = key >> 24;
    const quint8 s = random | 0x29;
    r[2] = char(b(2) ^ s);
    r[64] = char(s);
    r[3] = char(b(3) ^ (k2 | 0x5C));
    r[4] = char(b(4) ^ b(14));
    const quint8 bands[7] = {k0, k3, 0xA9, k2, k1, 0x4E, k0};
    for (int i = 5; i <= 60; ++i)
        r[i] = char(b(i) ^ bands[(i - 5) / 8]);
    r[61] = char(b(61) + s);
    r[62] = char(b(62) - s);
    r[63] = 0;
}

} // namespace support
