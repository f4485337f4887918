// The subcommands of torvelm4ctl: what each one is called, takes and runs.
// Each group of subcommands lives in its own file and registers itself, so a
// new group is one new file (and its line in the build).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace ctl {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // the board is absent, silent or refused, or an update failed
constexpr int kExitUsage = 2;  // a usage or input error; nothing was sent

// A --name option; a flag when value is empty, else it takes one VALUE.
struct Option {
    QString name;
    QString value;
    QString help;
};

class Answerer;
class Arguments;
class LogOutput;
class Session;

struct Context {
    const Arguments& args; // options, and the positionals after the command's words
    Session& session;      // not yet connected: each command opens what it needs
    Answerer& answerer;    // the device code's questions and notices
    LogOutput& log;        // the device code's log lines
};

struct Command {
    QStringList words;   // "status", or "firmware" "update"
    QString synopsis;    // what follows the words in a usage line
    QString summary;     // one line in the command list
    QString description; // the paragraph of its --help
    QList<Option> options;
    int minPositionals = 0;
    int maxPositionals = 0; // -1: any number
    std::function<int(Context&)> run;
};

// Says what is wrong with the arguments (nothing was sent) and returns kExitUsage.
int usageError(const QString& message);
// Says what failed and returns kExitFailed.
int failure(const QString& message);
// A whole number within [low, high], for an argument named what; false, with
// the reason said, otherwise.
bool wholeNumber(const QString& text, qint64 low, qint64 high, const QString& what, qint64* value);

// Registers a group at start-up; groups are listed in ascending order.
class Registration {
public:
    Registration(int order, QList<Command> (*group)());
};

// Every registered command, groups in order.
QList<Command> registeredCommands();

// Orders of the groups in the command list.
constexpr int kBoardGroup = 10;
constexpr int kMonitorGroup = 20;
constexpr int kSettingsGroup = 30;
constexpr int kMotionGroup = 40;
constexpr int kFirmwareGroup = 50;

} // namespace ctl
