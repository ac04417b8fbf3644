#pragma once

#include <QString>

namespace tw::app {

// The product title every page carries as its caption.
inline const QString kProductTitle = QStringLiteral("Tablewright");

// The program's version, as the package and the metadata show it.
QString programVersion();

// The short title used as the caption of message boxes: the product title with its last word
// removed, repeated while the result is longer than 40 characters. A title without a blank
// has no word to remove and is kept whole.
QString applicationTitleFrom(const QString &productTitle);

} // namespace tw::app
