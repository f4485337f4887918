// Setters for read-outs that Qt would redraw even when they keep showing the
// same: they touch the widget only when what it shows changes.
#pragma once

#include <QStringList>

class QPlainTextEdit;
class QSpinBox;

namespace changedonly {

// Shows the lines, first line in view; rebuilt only when the text differs
// from the present one, since a rebuild lays out and repaints the whole box.
void setLines(QPlainTextEdit* box, const QStringList& lines);

// QSpinBox::setValue repaints even when the value stays; the value is
// compared as the box would hold it, so one out of its range counts too.
void setValue(QSpinBox* box, int value);

} // namespace changedonly
