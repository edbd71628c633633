#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace brv {

class ResultGrid;

// What the word-processor document holds: the competition's title, the page's caption, an
// empty paragraph, then the table with every row and every column (shown or hidden).
struct DocumentContent
{
    QString title;
    QString caption;
    const ResultGrid* grid = nullptr;
};

// The document as a Word package (.docx, Office Open XML). With `templateDocument` (the bytes of
// a .docx, or of a .dotx) the document is made from it: its styles, header, footer and text are
// kept, and the content is appended to its body before the body's section properties. Null with
// a German reason in `error` when the template is no Word document.
std::optional<QByteArray> wordDocument(const DocumentContent& content, const QByteArray& templateDocument,
                                       QString* error);

} // namespace brv
