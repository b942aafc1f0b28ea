#include "app/Fonts.h"

#include <QStringList>

namespace app {

void installFontSubstitutes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont::insertSubstitutions(QStringLiteral("Arial"), QStringList() << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), QStringList() << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans"));
}

QFont font(const QString &family, qreal pointSize, bool bold)
{
    QFont f(family);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

} // namespace app
