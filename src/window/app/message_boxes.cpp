// Message boxes and file dialogs behind the dialog seam.
#include "app/message_boxes.h"

#include <QFileDialog>
#include <QMessageBox>

namespace dialogs {
namespace {
// Texts carry what a board or a file said (serial numbers, paths), so they are
// never read as rich text.
QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton byDefault)
{
    QMessageBox box(icon, title, text, buttons);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(byDefault);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

bool MessageBoxes::ask(const QString& title, const QString& text)
{
    return showBox(QMessageBox::Information, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                   QMessageBox::Cancel) == QMessageBox::Ok;
}

void MessageBoxes::notify(Kind kind, const QString& title, const QString& text)
{
    const QMessageBox::Icon icon =
        kind == Kind::Warning ? QMessageBox::Warning : QMessageBox::Information;
    showBox(icon, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

QString MessageBoxes::chooseFile(Kind kind, const QString& caption, const QString& filter)
{
    if (kind == Kind::SaveFile)
        return QFileDialog::getSaveFileName(m_parent, caption, QString(), filter);
    return QFileDialog::getOpenFileName(m_parent, caption, QString(), filter);
}

} // namespace dialogs
