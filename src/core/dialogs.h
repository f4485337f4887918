// Every question, notice and file choice of the program goes through here.
// The window answers with its message boxes and file dialogs, the command-line
// program with its flags and stderr, tests and the demo with a script; the
// device code only ever talks to this interface.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace dialogs {

enum class Kind { Question, Information, Warning, OpenFile, SaveFile };

struct Shown {
    Kind kind;
    QString title; // caption for file choices
    QString text;  // filter for file choices
};

class Answerer {
public:
    virtual ~Answerer() = default;
    // A question with OK and Cancel; true for OK.
    virtual bool ask(const QString& title, const QString& text) = 0;
    // An information or warning notice with one OK button.
    virtual void notify(Kind kind, const QString& title, const QString& text) = 0;
    // A file name to open or save; empty when the user cancelled.
    virtual QString chooseFile(Kind kind, const QString& caption, const QString& filter) = 0;
};

// Answers every question the same way, hands out queued file names (an empty
// name, as from a cancelled dialog, when the queue is empty) and records
// everything it was shown. Made with filesOnly(), it scripts only the file
// choices and passes questions and notices on to the given answerer.
class ScriptedAnswerer : public Answerer {
public:
    explicit ScriptedAnswerer(bool answerOk = true) : m_answerOk(answerOk) {}
    static ScriptedAnswerer filesOnly(Answerer* questions);
    bool ask(const QString& title, const QString& text) override;
    void notify(Kind kind, const QString& title, const QString& text) override;
    QString chooseFile(Kind kind, const QString& caption, const QString& filter) override;

    void setAnswerOk(bool ok) { m_answerOk = ok; }
    void queueFileName(const QString& name) { m_files.append(name); }
    const QList<Shown>& shown() const { return m_shown; }
    void clear() { m_shown.clear(); }

private:
    bool m_answerOk;
    Answerer* m_questions = nullptr;
    QStringList m_files;
    QList<Shown> m_shown;
};

// Installs (or, with nullptr, removes) the answerer; not owned. With none
// installed, every question is answered Cancel, notices are dropped and file
// choices come back empty, so nothing can ever wait on a box.
void setAnswerer(Answerer* answerer);

// True for OK; Cancel is the default answer.
bool askOkCancel(const QString& title, const QString& text);
void inform(const QString& title, const QString& text);
void warn(const QString& title, const QString& text);
// An empty result means cancelled.
QString openFileName(const QString& caption, const QString& filter);
QString saveFileName(const QString& caption, const QString& filter);

} // namespace dialogs
