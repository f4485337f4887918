// The command-line program's side of the dialog seam: questions are answered
// by the --yes flag or at the terminal, notices go to stderr, and no file is
// ever chosen interactively (file names come from the arguments).
#pragma once

#include "dialogs.h"

namespace ctl {

class Answerer : public dialogs::Answerer {
public:
    enum class Consent {
        No,          // every question is answered Cancel, with a hint on stderr
        AskTerminal, // asked on stderr and read from stdin, when stdin is a terminal
        Yes,         // --yes: every question is answered OK
    };

    void setConsent(Consent consent) { m_consent = consent; }

    bool ask(const QString& title, const QString& text) override;
    void notify(dialogs::Kind kind, const QString& title, const QString& text) override;
    QString chooseFile(dialogs::Kind kind, const QString& caption, const QString& filter) override;

    int notices() const { return m_notices; }
    int declined() const { return m_declined; }
    // A question had to be declined because nobody could be asked.
    bool neededYes() const { return m_neededYes; }

private:
    Consent m_consent = Consent::No;
    int m_notices = 0;
    int m_declined = 0;
    bool m_neededYes = false;
    bool m_hinted = false;
};

} // namespace ctl
