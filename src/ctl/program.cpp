// Dispatch of one command line.
#include "program.h"

#include "answerer.h"
#include "arguments.h"
#include "console.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "interrupt.h"
#include "log_output.h"
#include "session.h"
#include "version.h"

#include <QCoreApplication>

namespace ctl {
namespace {
QList<Option> globalOptions()
{
    return {
        {QStringLiteral("serial"), QStringLiteral("SN"),
         QStringLiteral("The board with this serial number (needed with several boards).")},
        {QStringLiteral("verbose"), QString(),
         QStringLiteral("Print the log lines to stderr (-v).")},
        {QStringLiteral("log"), QStringLiteral("FILE"),
         QStringLiteral("Append the log lines to FILE.")},
        {QStringLiteral("help"), QString(),
         QStringLiteral("Describe the program or a command (-h).")},
        {QStringLiteral("version"), QString(), QStringLiteral("Print the version.")},
    };
}

int usageError(const QString& message, const QString& hint)
{
    printMessage(message);
    printMessage(hint);
    return kExitUsage;
}

bool isGroup(const QString& word, const QList<Command>& commands)
{
    for (const Command& command : commands)
        if (command.words.size() > 1 && command.words.first() == word)
            return true;
    return false;
}
} // namespace

int run(int argc, char* argv[], const Frontend& frontend)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(frontend.program);
    QCoreApplication::setApplicationVersion(VersionString);
    setProgramName(frontend.program);

    const QList<Command> commands = registeredCommands();
    const QList<Option> globals = globalOptions() + frontend.extraOptions;
    const QStringList arguments = app.arguments().mid(1);
    const QStringList words = commandWords(arguments, globals, commands);
    const Command* command = nullptr;
    for (const Command& candidate : commands)
        if (candidate.words == words)
            command = &candidate;

    Arguments args;
    QString error;
    const QList<Option> options = command ? globals + command->options : globals;
    const QString helpHint = command
                                 ? QStringLiteral("see '%1 %2 --help'")
                                       .arg(frontend.program, command->words.join(QLatin1Char(' ')))
                                 : QStringLiteral("see '%1 --help'").arg(frontend.program);
    if (!args.parse(arguments, options, &error))
        return usageError(error, helpHint);
    args.dropPositionals(words.size());

    if (args.isSet(QStringLiteral("version"))) {
        printData(VersionString);
        return kExitOk;
    }
    const bool help = args.isSet(QStringLiteral("help"));
    if (!command && !words.isEmpty() && isGroup(words.first(), commands)) {
        if (help) {
            printData(groupHelp(frontend.program, words.first(), commands).trimmed());
            return kExitOk;
        }
        return usageError(
            args.positionals().isEmpty() ? QStringLiteral("'%1' needs a command").arg(words.first())
                                         : QStringLiteral("unknown command '%1 %2'")
                                               .arg(words.first(), args.positionals().first()),
            QStringLiteral("see '%1 %2 --help'").arg(frontend.program, words.first()));
    }
    if (!command) {
        if (help || (args.positionals().isEmpty() && arguments.isEmpty())) {
            const QString text = generalHelp(frontend.program, globalOptions(), commands,
                                             frontend.extraTitle, frontend.extraOptions);
            if (help)
                printData(text.trimmed());
            else
                printRaw(text);
            return help ? kExitOk : kExitUsage;
        }
        return usageError(
            args.positionals().isEmpty()
                ? QStringLiteral("no command given")
                : QStringLiteral("unknown command '%1'").arg(args.positionals().first()),
            helpHint);
    }
    if (help) {
        printData(commandHelp(frontend.program, *command, globalOptions()).trimmed());
        return kExitOk;
    }
    const int given = args.positionals().size();
    if (given < command->minPositionals ||
        (command->maxPositionals >= 0 && given > command->maxPositionals))
        return usageError(given < command->minPositionals
                              ? QStringLiteral("missing argument for '%1'")
                                    .arg(command->words.join(QLatin1Char(' ')))
                              : QStringLiteral("unexpected argument '%1'")
                                    .arg(args.positionals().at(command->maxPositionals)),
                          helpHint);

    LogOutput log;
    if (!log.open(args.isSet(QStringLiteral("verbose")), args.value(QStringLiteral("log")), &error))
        return usageError(error, helpHint);
    if (frontend.prepare && !frontend.prepare(args, &error))
        return usageError(error, helpHint);

    Answerer answerer;
    dialogs::setAnswerer(&answerer);
    Torvel.logger = &log;
    installInterruptHandlers();
    int status = kExitOk;
    {
        Session session(args.value(QStringLiteral("serial")), answerer);
        Context context{args, session, answerer, log};
        status = command->run(context);
    }
    Torvel.logger = nullptr;
    dialogs::setAnswerer(nullptr);
    if (frontend.finish && !frontend.finish() && status == kExitOk)
        status = kExitFailed;
    return status;
}

} // namespace ctl
