// The one reader for numbers in untrusted text (settings files, configuration
// strings): the whole text must be one finite number of the field's type.
#pragma once

#include <QString>
#include <optional>

namespace numtext {

// A base-10 int with an optional sign; surrounding ASCII blanks are allowed.
// Empty text, trailing junk or a value outside int gives no number.
std::optional<int> readInt(const QString& text);

// A real number in the C locale ("." as decimal separator, exponent allowed);
// surrounding ASCII blanks are allowed. NaN, infinities, values too large for a
// double and trailing junk give no number.
std::optional<double> readReal(const QString& text);

} // namespace numtext
