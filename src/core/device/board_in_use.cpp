// Telling the user, once, that another program holds the board's lock.
#include "device/torveldrv.h"

#include "dialogs.h"

void TorvelDRV::reportLocked(const HidEntry& entry)
{
    const QString holder = lock.holder();
    log(QStringLiteral("TorvelM4 device ") + entry.serial + QStringLiteral(" is in use by ") +
        holder + QStringLiteral("; not opened, retrying quietly."));
    dialogs::inform(QStringLiteral("TorvelM4 device in use"),
                    QStringLiteral("The TorvelM4 board with serial %1 is in use by %2.\n\n"
                                   "Only one program may drive a board at a time. This program "
                                   "connects to it as soon as the other one lets it go.")
                        .arg(entry.serial, holder));
}
