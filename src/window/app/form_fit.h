// Fitting a form drawn for one font to the font the window is given: every
// explicit minimum or maximum size at least what its text needs, and every
// group of absolutely placed widgets scaled as one, so that their places
// relative to each other stay those of the form.
#pragma once

#include <QHash>
#include <QSize>
#include <QStringList>

class QWidget;

namespace formfit {

// Texts a read-out must be able to show besides the one it shows now.
using WidestTexts = QHash<const QWidget*, QStringList>;

// True for widgets of the form itself, not the parts a Qt widget builds inside.
bool isFormWidget(const QWidget* widget);

// The size a widget needs to show its text (and any of its widest texts) in
// full; an invalid size for widgets without text.
QSize textNeed(QWidget* widget, const WidestTexts& widest = {});

// The factors (at least 1) by which an absolutely placed group must grow
// across and down so that every text in it fits; one factor for both when
// the group holds a picture.
struct Factors {
    double x = 1.0;
    double y = 1.0;
};
Factors regionFactors(QWidget* region, const WidestTexts& widest = {});

// Raises the window's minimum size to what its layouts need now, for widgets
// shown after the fit, and grows the window to it.
void growToLayouts(QWidget* window);

// Fits the whole form below window; afterwards the window's minimum size is
// its design minimum or what its layouts need, whichever is larger.
void fit(QWidget* window, const WidestTexts& widest = {});

} // namespace formfit
