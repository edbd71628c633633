#pragma once

#include <QString>

namespace brv::markup {

// `text` for an HTML page that declares ISO-8859-1: &, <, > and " as named references, every
// character beyond Latin-1 as a numeric one (&#322;), so the page encodes to Latin-1 without loss.
QString html(const QString& text);

// `text` for an XML part in UTF-8: &, <, > and " as named references; characters that XML 1.0
// does not allow (control characters other than TAB, LF and CR) are left out.
QString xml(const QString& text);

} // namespace brv::markup
