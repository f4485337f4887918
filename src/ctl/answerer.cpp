// Questions and notices of the device code, answered on the command line.
#include "answerer.h"

#include "console.h"

#include <QTextStream>
#include <cstdio>

namespace ctl {

bool Answerer::ask(const QString& title, const QString& text)
{
    switch (m_consent) {
    case Consent::Yes:
        printMessage(title + QStringLiteral(" Going ahead (--yes)."));
        return true;
    case Consent::AskTerminal:
        if (stdinIsTerminal()) {
            printRaw(text + QStringLiteral(" [y/N] "));
            QTextStream in(stdin);
            const QString answer = in.readLine().trimmed().toLower();
            if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
                return true;
            ++m_declined;
            return false;
        }
        printMessage(title + QStringLiteral(" Not going ahead: standard input is no terminal to "
                                            "ask on; pass --yes to agree."));
        m_neededYes = true;
        ++m_declined;
        return false;
    case Consent::No:
        break;
    }
    ++m_declined;
    if (!m_hinted)
        printMessage(title + QStringLiteral(" The board was left as it is; '%1 firmware update' "
                                            "updates it.")
                                 .arg(programName()));
    m_hinted = true;
    return false;
}

void Answerer::notify(dialogs::Kind, const QString&, const QString& text)
{
    ++m_notices;
    printMessage(text);
}

QString Answerer::chooseFile(dialogs::Kind, const QString&, const QString&)
{
    return QString();
}

} // namespace ctl
