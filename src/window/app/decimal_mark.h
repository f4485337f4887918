// One decimal mark throughout the window, whatever the user's locale: numbers
// are shown with "." and a "," typed into a real-number box is taken as ".".
#pragma once

class QWidget;

namespace decimalmark {

// Gives window and every widget in it the C locale's number format and lets
// each double spin box read a typed "," as the decimal point.
void apply(QWidget* window);

} // namespace decimalmark
