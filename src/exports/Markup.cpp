#include "exports/Markup.h"

#include <QList>

namespace brv::markup {

namespace {

// The named reference of a character that markup reserves, or null.
const char* namedReference(char32_t c)
{
    switch (c) {
    case U'&':
        return "&amp;";
    case U'<':
        return "&lt;";
    case U'>':
        return "&gt;";
    case U'"':
        return "&quot;";
    default:
        return nullptr;
    }
}

} // namespace

QString html(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const uint code : text.toUcs4()) {
        const char32_t c = code;
        if (const char* named = namedReference(c))
            out += QLatin1StringView(named);
        else if (c > 0xFF)
            out += QStringLiteral("&#%1;").arg(quint32(c));
        else
            out += QChar(char16_t(c));
    }
    return out;
}

QString xml(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const uint code : text.toUcs4()) {
        const char32_t c = code;
        const bool allowed =
            c == U'\t' || c == U'\n' || c == U'\r' || (c >= 0x20 && c <= 0xFFFD) || c >= 0x10000;
        if (!allowed)
            continue;
        if (const char* named = namedReference(c))
            out += QLatin1StringView(named);
        else
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

} // namespace brv::markup
