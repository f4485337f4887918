// Every question, message box and file dialog of the program goes through
// here, so tests and the demo can answer them without a modal box.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace dialogs {

enum class Kind { Question, Information, Warning, OpenFile, SaveFile };

struct Shown {
    Kind kind;
    QString title; // caption for file dialogs
    QString text;  // filter for file dialogs
};

// Stands in for the real boxes while installed.
class Answerer {
public:
    virtual ~Answerer() = default;
    virtual bool ask(const QString& title, const QString& text) = 0;
    virtual void notify(Kind kind, const QString& title, const QString& text) = 0;
    virtual QString chooseFile(Kind kind, const QString& caption, const QString& filter) = 0;
};

// Answers every question the same way, hands out queued file names (an empty
// name, as from a cancelled dialog, when the queue is empty) and records
// everything it was shown. Made with filesOnly(), it scripts only the file
// dialogs and shows questions and notices in the real boxes.
class ScriptedAnswerer : public Answerer {
public:
    explicit ScriptedAnswerer(bool answerOk = true) : m_answerOk(answerOk) {}
    static ScriptedAnswerer filesOnly();
    bool ask(const QString& title, const QString& text) override;
    void notify(Kind kind, const QString& title, const QString& text) override;
    QString chooseFile(Kind kind, const QString& caption, const QString& filter) override;

    void setAnswerOk(bool ok) { m_answerOk = ok; }
    void queueFileName(const QString& name) { m_files.append(name); }
    const QList<Shown>& shown() const { return m_shown; }
    void clear() { m_shown.clear(); }

private:
    bool m_answerOk;
    bool m_realBoxes = false;
    QStringList m_files;
    QList<Shown> m_shown;
};

// Installs (or, with nullptr, removes) the stand-in; not owned.
void setAnswerer(Answerer* answerer);

// Information box with OK and Cancel, Cancel the default, no parent. True for OK.
bool askOkCancel(const QString& title, const QString& text);
// Information or warning box with one OK button and no parent.
void inform(const QString& title, const QString& text);
void warn(const QString& title, const QString& text);
// Platform file dialogs; an empty result means cancelled.
QString openFileName(QWidget* parent, const QString& caption, const QString& filter);
QString saveFileName(QWidget* parent, const QString& caption, const QString& filter);

} // namespace dialogs
