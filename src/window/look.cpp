#include "look.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

QPalette designedPalette()
{
    const QColor buttonFace(0xf0, 0xf0, 0xf0);
    QPalette palette(Qt::black, buttonFace, Qt::white, QColor(0xa0, 0xa0, 0xa0), QColor(0xc0, 0xc0, 0xc0),
        Qt::black, Qt::white, Qt::white, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(0x70, 0x70, 0x70));
    palette.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf7, 0xf7));
    palette.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x00, 0x00, 0xff));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x78, 0x78, 0x78));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x78, 0x78, 0x78));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x78, 0x78, 0x78));
    return palette;
}

QFont designedFont(qreal points)
{
    QFont font;
    font.setFamilies({u"Arial"_s, u"Liberation Sans"_s, u"Arimo"_s});
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

} // namespace ferrowax
