#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace orvane {

namespace {
struct Face
{
    const char *family;
    int pixelSize;
};

// In order of preference; the pixel sizes keep each face within the widths
// the layout was made for.
constexpr Face kFaces[] = {
    { "MS Sans Serif", 11 },
    { "Microsoft Sans Serif", 11 },
    { "Liberation Sans", 11 },
    { "Arimo", 11 },
    { "Arial", 11 },
    { "DejaVu Sans", 10 },
};

const Face &chosenFace()
{
    static const Face *face = [] {
        const QStringList families = QFontDatabase::families();
        for (const Face &f : kFaces) {
            if (families.contains(QLatin1String(f.family), Qt::CaseInsensitive))
                return &f;
        }
        return &kFaces[0]; // the toolkit's own fallback
    }();
    return *face;
}
} // namespace

QFont windowFont()
{
    const Face &face = chosenFace();
    QFont font(QLatin1String(face.family));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(face.pixelSize);
    return font;
}

QFont headingFont()
{
    QFont font = windowFont();
    font.setBold(true);
    font.setPixelSize(font.pixelSize() + 2);
    return font;
}

} // namespace orvane
