// Message boxes and file dialogs behind the dialog seam.
#include "app/message_boxes.h"

#include <QFileDialog>
#include <QMessageBox>

namespace dialogs {

bool MessageBoxes::ask(const QString& title, const QString& text)
{
    return QMessageBox::information(nullptr, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                    QMessageBox::Cancel) == QMessageBox::Ok;
}

void MessageBoxes::notify(Kind kind, const QString& title, const QString& text)
{
    if (kind == Kind::Warning)
        QMessageBox::warning(nullptr, title, text);
    else
        QMessageBox::information(nullptr, title, text);
}

QString MessageBoxes::chooseFile(Kind kind, const QString& caption, const QString& filter)
{
    if (kind == Kind::SaveFile)
        return QFileDialog::getSaveFileName(m_parent, caption, QString(), filter);
    return QFileDialog::getOpenFileName(m_parent, caption, QString(), filter);
}

} // namespace dialogs
