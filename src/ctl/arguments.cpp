// Command-line parsing and help for torvelm4ctl.
#include "arguments.h"

#include <QRegularExpression>

namespace ctl {
namespace {
const QRegularExpression kNumber(QStringLiteral("^-[0-9]+([.][0-9]*)?$"));
constexpr int kHelpColumn = 28;

const Option* find(const QList<Option>& options, const QString& name)
{
    for (const Option& option : options)
        if (option.name == name)
            return &option;
    return nullptr;
}

QString shortToLong(const QString& argument)
{
    if (argument == QLatin1String("-h"))
        return QStringLiteral("--help");
    if (argument == QLatin1String("-v"))
        return QStringLiteral("--verbose");
    return argument;
}

bool isOption(const QString& argument)
{
    return argument.startsWith(QLatin1Char('-')) && argument.size() > 1 &&
           !kNumber.match(argument).hasMatch();
}

QString optionLines(const QList<Option>& options)
{
    QString text;
    for (const Option& option : options) {
        QString left = QStringLiteral("  --") + option.name;
        if (!option.value.isEmpty())
            left += QLatin1Char(' ') + option.value;
        left = left.leftJustified(kHelpColumn - 1) + QLatin1Char(' ');
        text += left + option.help + QLatin1Char('\n');
    }
    return text;
}

QString usageLine(const QString& program, const Command& command)
{
    QString line = QStringLiteral("  %1 %2").arg(program, command.words.join(QLatin1Char(' ')));
    if (!command.synopsis.isEmpty())
        line += QLatin1Char(' ') + command.synopsis;
    return line;
}
} // namespace

bool Arguments::parse(const QStringList& arguments, const QList<Option>& options, QString* error)
{
    m_values.clear();
    m_positionals.clear();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString argument = shortToLong(arguments.at(i));
        if (argument == QLatin1String("--")) {
            m_positionals += arguments.mid(i + 1);
            break;
        }
        if (!isOption(argument)) {
            m_positionals.append(argument);
            continue;
        }
        QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2) : QString();
        QString value;
        const int equals = name.indexOf(QLatin1Char('='));
        const bool inline_ = equals >= 0;
        if (inline_) {
            value = name.mid(equals + 1);
            name = name.left(equals);
        }
        const Option* option = name.isEmpty() ? nullptr : find(options, name);
        if (!option) {
            *error = QStringLiteral("unknown option %1").arg(arguments.at(i));
            return false;
        }
        if (option->value.isEmpty()) {
            if (inline_) {
                *error = QStringLiteral("--%1 takes no value").arg(name);
                return false;
            }
        } else if (!inline_) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("--%1 needs a value (%2)").arg(name, option->value);
                return false;
            }
            value = arguments.at(++i);
        }
        m_values.insert(name, value);
    }
    return true;
}

QStringList commandWords(const QStringList& arguments, const QList<Option>& globals,
                         const QList<Command>& commands)
{
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString argument = shortToLong(arguments.at(i));
        if (argument == QLatin1String("--"))
            break;
        if (isOption(argument)) {
            const Option* global =
                argument.contains(QLatin1Char('=')) ? nullptr : find(globals, argument.mid(2));
            if (global && !global->value.isEmpty())
                ++i; // its value
            continue;
        }
        QStringList candidate = words;
        candidate.append(argument);
        bool known = false;
        bool complete = false;
        for (const Command& command : commands) {
            if (command.words.mid(0, candidate.size()) == candidate) {
                known = true;
                complete = complete || command.words == candidate;
            }
        }
        if (!known)
            break;
        words = candidate;
        if (complete)
            break;
    }
    return words;
}

QString generalHelp(const QString& program, const QList<Option>& globals,
                    const QList<Command>& commands, const QString& extraTitle,
                    const QList<Option>& extra)
{
    QString text = QStringLiteral("Usage: %1 [global options] COMMAND [arguments]\n\n"
                                  "Drives one TorvelM4 motor-driver board from a shell. Data goes "
                                  "to standard output,\nmessages to standard error. Exit status: "
                                  "0 success, 1 the board failed (absent,\nsilent, refused, "
                                  "failed update), 2 a usage or input error.\n\nCommands:\n")
                       .arg(program);
    for (const Command& command : commands) {
        const QString name = command.words.join(QLatin1Char(' '));
        text += (QStringLiteral("  ") + name).leftJustified(kHelpColumn - 1) + QLatin1Char(' ') +
                command.summary + QLatin1Char('\n');
    }
    text += QStringLiteral("\nGlobal options:\n") + optionLines(globals);
    if (!extra.isEmpty())
        text += QLatin1Char('\n') + extraTitle + QStringLiteral(":\n") + optionLines(extra);
    text += QStringLiteral("\n'%1 COMMAND --help' describes a command.\n").arg(program);
    return text;
}

QString commandHelp(const QString& program, const Command& command, const QList<Option>& globals)
{
    QString text = QStringLiteral("Usage:\n") + usageLine(program, command) +
                   QStringLiteral("\n\n") + command.description + QLatin1Char('\n');
    if (!command.options.isEmpty())
        text += QStringLiteral("\nOptions:\n") + optionLines(command.options);
    text += QStringLiteral("\nGlobal options:\n") + optionLines(globals);
    return text;
}

QString groupHelp(const QString& program, const QString& group, const QList<Command>& commands)
{
    QString text = QStringLiteral("Usage:\n");
    for (const Command& command : commands)
        if (command.words.first() == group)
            text += usageLine(program, command) + QStringLiteral("\n      ") + command.summary +
                    QLatin1Char('\n');
    return text +
           QStringLiteral("\n'%1 %2 COMMAND --help' describes a command.\n").arg(program, group);
}

} // namespace ctl
