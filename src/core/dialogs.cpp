// The installed answerer, and the scripted one of tests and the demo.
#include "dialogs.h"

namespace dialogs {
namespace {
Answerer* g_answerer = nullptr;
} // namespace

ScriptedAnswerer ScriptedAnswerer::filesOnly(Answerer* questions)
{
    ScriptedAnswerer answerer;
    answerer.m_questions = questions;
    return answerer;
}

bool ScriptedAnswerer::ask(const QString& title, const QString& text)
{
    m_shown.append({Kind::Question, title, text});
    return m_questions ? m_questions->ask(title, text) : m_answerOk;
}

void ScriptedAnswerer::notify(Kind kind, const QString& title, const QString& text)
{
    m_shown.append({kind, title, text});
    if (m_questions)
        m_questions->notify(kind, title, text);
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
    return g_answerer && g_answerer->ask(title, text);
}

void inform(const QString& title, const QString& text)
{
    if (g_answerer)
        g_answerer->notify(Kind::Information, title, text);
}

void warn(const QString& title, const QString& text)
{
    if (g_answerer)
        g_answerer->notify(Kind::Warning, title, text);
}

QString openFileName(const QString& caption, const QString& filter)
{
    return g_answerer ? g_answerer->chooseFile(Kind::OpenFile, caption, filter) : QString();
}

QString saveFileName(const QString& caption, const QString& filter)
{
    return g_answerer ? g_answerer->chooseFile(Kind::SaveFile, caption, filter) : QString();
}

} // namespace dialogs
