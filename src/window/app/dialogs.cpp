// Real message boxes and file dialogs, or the installed stand-in.
#include "app/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace dialogs {
namespace {
Answerer* g_answerer = nullptr;

bool realAsk(const QString& title, const QString& text)
{
    return QMessageBox::information(nullptr, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                    QMessageBox::Cancel) == QMessageBox::Ok;
}

void realNotify(Kind kind, const QString& title, const QString& text)
{
    if (kind == Kind::Warning)
        QMessageBox::warning(nullptr, title, text);
    else
        QMessageBox::information(nullptr, title, text);
}
} // namespace

ScriptedAnswerer ScriptedAnswerer::filesOnly()
{
    ScriptedAnswerer answerer;
    answerer.m_realBoxes = true;
    return answerer;
}

bool ScriptedAnswerer::ask(const QString& title, const QString& text)
{
    m_shown.append({Kind::Question, title, text});
    return m_realBoxes ? realAsk(title, text) : m_answerOk;
}

void ScriptedAnswerer::notify(Kind kind, const QString& title, const QString& text)
{
    m_shown.append({kind, title, text});
    if (m_realBoxes)
        realNotify(kind, title, text);
}

QString ScriptedAnswerer::chooseFile(Kind kind, const QString& caption, const QString& filter)
{
    m_shown.append({kind, caption, filter});
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

void setAnswerer(Answerer* answerer)
{
    g_answerer = answerer;
}

bool askOkCancel(const QString& title, const QString& text)
{
    if (g_answerer)
        return g_answerer->ask(title, text);
    return realAsk(title, text);
}

void inform(const QString& title, const QString& text)
{
    if (g_answerer)
        return g_answerer->notify(Kind::Information, title, text);
    realNotify(Kind::Information, title, text);
}

void warn(const QString& title, const QString& text)
{
    if (g_answerer)
        return g_answerer->notify(Kind::Warning, title, text);
    realNotify(Kind::Warning, title, text);
}

QString openFileName(QWidget* parent, const QString& caption, const QString& filter)
{
    if (g_answerer)
        return g_answerer->chooseFile(Kind::OpenFile, caption, filter);
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& filter)
{
    if (g_answerer)
        return g_answerer->chooseFile(Kind::SaveFile, caption, filter);
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

} // namespace dialogs
