#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace brv {

class CertificateLayout;
class Competition;
class PrintDocument;

// What every certificate shares besides its team.
struct CertificateContext
{
    QString title; // the competition's title, for the title line
    QDate date;    // for the date line
    QLocale locale;
};

// One page per row `from` to `to` of the overall table (rows outside it are left out): the lines
// of `layout` that are on, each with its font, style and colour, at its place in millimetres
// from the top-left corner of the printable area. A line wider than the paper leaves it room from
// its place (to the right, to the left, or both ways when centred; 5 mm from the edge) is printed
// in a font small enough to fit. The layout is only read.
void renderCertificates(PrintDocument& document, const CertificateLayout& layout,
                        const Competition& competition, int from, int to, const CertificateContext& context);

} // namespace brv
