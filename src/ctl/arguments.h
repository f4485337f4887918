// Parsing the command line: global options, the subcommand's words, its
// options and its positional arguments, and the help texts.
#pragma once

#include "command.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace ctl {

class Arguments {
public:
    // Options may stand anywhere: "--name VALUE", "--name=VALUE", or a flag;
    // "-h" is --help and "-v" --verbose. Anything else that starts with "-"
    // is an option, except negative numbers, and everything after "--" is
    // positional. False, with the reason, on an unknown option or a missing value.
    bool parse(const QStringList& arguments, const QList<Option>& options, QString* error);

    bool isSet(const QString& name) const { return m_values.contains(name); }
    QString value(const QString& name) const { return m_values.value(name); }
    const QStringList& positionals() const { return m_positionals; }
    // Drops the first n positionals (the command's words).
    void dropPositionals(int n) { m_positionals = m_positionals.mid(n); }

private:
    QHash<QString, QString> m_values;
    QStringList m_positionals;
};

// The words of the command named in arguments, skipping global options (and
// their values); empty when no word names a command or a command group.
QStringList commandWords(const QStringList& arguments, const QList<Option>& globals,
                         const QList<Command>& commands);

// Help texts.
QString generalHelp(const QString& program, const QList<Option>& globals,
                    const QList<Command>& commands, const QString& extraTitle,
                    const QList<Option>& extra);
QString commandHelp(const QString& program, const Command& command, const QList<Option>& globals);
// The commands of a group such as "firmware", for "torvelm4ctl firmware --help".
QString groupHelp(const QString& program, const QString& group, const QList<Command>& commands);

} // namespace ctl
