#pragma once

#include <QFont>
#include <QString>

namespace app {

// The window's look was drawn with Arial and MS Sans Serif; on a Linux
// desktop Liberation Sans and DejaVu Sans stand in for them.
void installFontSubstitutes();

QFont font(const QString &family, qreal pointSize, bool bold = false);
inline QFont arial(qreal pointSize, bool bold = false) { return font(QStringLiteral("Arial"), pointSize, bold); }
inline QFont msSansSerif(qreal pointSize, bool bold = false) { return font(QStringLiteral("MS Sans Serif"), pointSize, bold); }

} // namespace app
