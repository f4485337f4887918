// Combo boxes whose items are sentences: the closed box shows as much of the
// current item as fits, ending in an ellipsis, and its tooltip the whole item;
// the open list shows every item in full. The window need not grow to the
// longest sentence.
#pragma once

class QComboBox;

namespace elidingcombo {

// Marks the box (property kElidesProperty) and paints its current item elided.
void apply(QComboBox* combo);

inline constexpr char kElidesProperty[] = "elidesText";

bool elides(const QComboBox* combo);

} // namespace elidingcombo
