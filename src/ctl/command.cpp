// The registry of command groups.
#include "command.h"

#include "console.h"

#include <map>

namespace ctl {
namespace {
// Filled during static initialisation, before main; only read afterwards.
std::multimap<int, QList<Command> (*)()>& groups()
{
    static std::multimap<int, QList<Command> (*)()> registry;
    return registry;
}
} // namespace

int usageError(const QString& message)
{
    printMessage(message);
    return kExitUsage;
}

int failure(const QString& message)
{
    printMessage(message);
    return kExitFailed;
}

bool wholeNumber(const QString& text, qint64 low, qint64 high, const QString& what, qint64* value)
{
    bool ok = false;
    *value = text.toLongLong(&ok);
    if (ok && *value >= low && *value <= high)
        return true;
    printMessage(QStringLiteral("%1 must be a whole number from %2 to %3, not '%4'")
                     .arg(what)
                     .arg(low)
                     .arg(high)
                     .arg(text));
    return false;
}

Registration::Registration(int order, QList<Command> (*group)())
{
    groups().emplace(order, group);
}

QList<Command> registeredCommands()
{
    QList<Command> all;
    for (const auto& entry : groups())
        all += entry.second();
    return all;
}

} // namespace ctl
