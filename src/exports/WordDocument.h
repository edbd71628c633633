#pragma once

#include "competition/CompetitionRound.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace brv {

class ResultGrid;

// What the word-processor document holds: the competition's title, the page's caption, an
// empty paragraph, then the table with every row and every column (shown or hidden).
struct DocumentContent
{
    QString title;
    QString caption;
    const ResultGrid* grid = nullptr;
    // The table's layout, which tells the columns of names from those of numbers.
    CompetitionRound round = CompetitionRound::Vorrunde;
};

// How the table is laid out on the page, in twentieths of a point.
struct DocumentTableLayout
{
    int fontHalfPoints = 20;
    bool landscape = false; // the page was turned for the table
    std::vector<int> columnWidths;
};

// The table's layout on a page whose text is `textWidth` wide upright and `turnedWidth` wide
// turned (0: it stays as it is). Every column is as wide as its widest text, caption included,
// in Arial as the printout measures it; a column of names or classes takes at most a quarter of
// the width (unless its longest word needs more) and wraps longer names at their blanks. The
// size is the largest from 10 pt down to 8 pt at which the table fits upright, else the page is
// turned and it is the largest from 10 pt down to 6 pt that fits there. When nothing fits, at
// 6 pt on the wider page, the columns of names share what the numbers leave them: a time, a
// result or a start number never breaks inside itself. Measures with the fonts installed when
// a QGuiApplication runs, else as if every character were as wide as an em.
DocumentTableLayout documentTableLayout(const DocumentContent& content, int textWidth, int turnedWidth);

// The document as a Word package (.docx, Office Open XML) on A4. With `templateDocument` (the
// bytes of a .docx, or of a .dotx) the document is made from it: its styles, header, footer,
// text and page are kept, and the content goes into its body before the body's section
// properties, whatever whitespace, comments or prefixes the template's XML has. A table too
// wide for the page turns the document's page to landscape. Null with a German reason in
// `error` when the template is no Word document.
std::optional<QByteArray> wordDocument(const DocumentContent& content, const QByteArray& templateDocument,
                                       QString* error);

} // namespace brv
