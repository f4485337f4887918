// torvelm4ctl: the TorvelM4 board from a shell, on the real HID layer.
#include "program.h"

int main(int argc, char* argv[])
{
    return ctl::run(argc, argv, {QStringLiteral("torvelm4ctl"), {}, {}, {}, {}});
}
