// Read-out setters that skip what would show no change.
#include "monitor/changed_only.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>

namespace changedonly {

void setLines(QPlainTextEdit* box, const QStringList& lines)
{
    if (box->toPlainText() == lines.join(QLatin1Char('\n')))
        return;
    box->clear();
    for (const QString& line : lines)
        box->appendPlainText(line);
    // Appending scrolls to the last line; the first one is read first.
    box->verticalScrollBar()->setValue(0);
}

void setValue(QSpinBox* box, int value)
{
    if (box->value() != qBound(box->minimum(), value, box->maximum()))
        box->setValue(value);
}

} // namespace changedonly
