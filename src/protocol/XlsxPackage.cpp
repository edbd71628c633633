#include "protocol/XlsxPackage.h"

#include "protocol/ZipArchive.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace brv {

QString relationshipsPartOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? part.left(slash + 1) : QString();
    const QString name = slash >= 0 ? part.mid(slash + 1) : part;
    return folder + QStringLiteral("_rels/") + name + QStringLiteral(".rels");
}

QString resolvePartTarget(const QString& ownerPart, const QString& target)
{
    QString path;
    if (target.startsWith(QLatin1Char('/'))) {
        path = target.mid(1);
    } else {
        const qsizetype slash = ownerPart.lastIndexOf(QLatin1Char('/'));
        path = (slash >= 0 ? ownerPart.left(slash + 1) : QString()) + target;
    }
    QStringList resolved;
    for (const QString& segment : path.split(QLatin1Char('/'))) {
        if (segment.isEmpty() || segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (!resolved.isEmpty())
                resolved.removeLast();
            continue;
        }
        resolved.append(segment);
    }
    return resolved.join(QLatin1Char('/'));
}

bool isRelationshipType(const QString& type, const char* kind)
{
    return type.endsWith(QLatin1Char('/') + QLatin1String(kind));
}

QString xmlErrorReason(const QXmlStreamReader& reader)
{
    QString reason;
    switch (reader.error()) {
    case QXmlStreamReader::PrematureEndOfDocumentError:
        reason = QStringLiteral("unerwartetes Dateiende");
        break;
    case QXmlStreamReader::UnexpectedElementError:
        reason = QStringLiteral("unerwartetes Element");
        break;
    default:
        reason = QStringLiteral("kein wohlgeformtes XML");
        break;
    }
    return QStringLiteral("%1 (%2)").arg(reason, reader.errorString());
}

std::vector<XlsxRelationship> parseRelationships(const QByteArray& xml, const QString& ownerPart,
                                                 QString* error)
{
    std::vector<XlsxRelationship> list;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        XlsxRelationship rel;
        rel.id = attributes.value(QLatin1String("Id")).toString();
        rel.type = attributes.value(QLatin1String("Type")).toString();
        rel.external = attributes.value(QLatin1String("TargetMode")) == QLatin1String("External");
        const QString target = attributes.value(QLatin1String("Target")).toString();
        rel.target = rel.external ? target : resolvePartTarget(ownerPart, target);
        list.push_back(rel);
    }
    if (reader.hasError() && error)
        *error = xmlErrorReason(reader);
    return list;
}

bool readXlsxStructure(const ZipArchive& archive, XlsxStructure& structure, QString* error, qint64 partLimit)
{
    structure = XlsxStructure();
    QString partError;

    // The package relationships name the workbook part; most writers use xl/workbook.xml.
    if (const std::optional<QByteArray> rels =
            archive.read(QStringLiteral("_rels/.rels"), &partError, partLimit)) {
        for (const XlsxRelationship& rel : parseRelationships(*rels, QString(), nullptr)) {
            if (rel.external)
                continue;
            if (isRelationshipType(rel.type, "officeDocument") && structure.workbookPart.isEmpty())
                structure.workbookPart = rel.target;
            else if (isRelationshipType(rel.type, "core-properties"))
                structure.corePropertiesPart = rel.target;
        }
    }
    if (structure.workbookPart.isEmpty() || !archive.contains(structure.workbookPart))
        structure.workbookPart = QStringLiteral("xl/workbook.xml");
    const std::optional<QByteArray> workbook = archive.read(structure.workbookPart, &partError, partLimit);
    if (!workbook) {
        if (error)
            *error = QStringLiteral("Die Datei enthält keine Arbeitsmappe.");
        return false;
    }

    structure.workbookRelsPart = relationshipsPartOf(structure.workbookPart);
    if (const std::optional<QByteArray> rels =
            archive.read(structure.workbookRelsPart, &partError, partLimit))
        structure.workbookRelationships = parseRelationships(*rels, structure.workbookPart, nullptr);
    for (const XlsxRelationship& rel : structure.workbookRelationships) {
        if (rel.external)
            continue;
        if (isRelationshipType(rel.type, "sharedStrings"))
            structure.sharedStringsPart = rel.target;
        else if (isRelationshipType(rel.type, "styles"))
            structure.stylesPart = rel.target;
        else if (isRelationshipType(rel.type, "calcChain"))
            structure.calcChainPart = rel.target;
    }

    QXmlStreamReader reader(*workbook);
    bool inSheets = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == QLatin1String("sheets")) {
                inSheets = true;
            } else if (inSheets && reader.name() == QLatin1String("sheet")) {
                QString id;
                for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                    if (attribute.name() == QLatin1String("id") &&
                        attribute.namespaceUri().endsWith(QLatin1String("/relationships")))
                        id = attribute.value().toString();
                }
                const QString name = reader.attributes().value(QLatin1String("name")).toString();
                for (const XlsxRelationship& rel : structure.workbookRelationships) {
                    if (rel.id == id && !rel.external && isRelationshipType(rel.type, "worksheet")) {
                        structure.worksheets.push_back({name, rel.target});
                        break;
                    }
                }
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("sheets")) {
            inSheets = false;
        }
    }
    if (reader.hasError()) {
        if (error)
            *error = QStringLiteral("Die Arbeitsmappe ist beschädigt: %1.").arg(xmlErrorReason(reader));
        return false;
    }
    if (structure.worksheets.empty()) {
        if (error)
            *error = QStringLiteral("Die Arbeitsmappe enthält keine Tabellenblätter.");
        return false;
    }
    return true;
}

} // namespace brv
