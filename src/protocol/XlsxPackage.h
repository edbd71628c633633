#pragma once

#include "protocol/ZipArchive.h"

#include <QString>

#include <vector>

class QXmlStreamReader;

namespace brv {

// One relationship of a part.
struct XlsxRelationship
{
    QString id;
    QString type;   // full type URI
    QString target; // resolved part name inside the archive, without a leading slash
    bool external = false;
};

struct XlsxSheetEntry
{
    QString name;
    QString part; // e.g. "xl/worksheets/sheet1.xml"
};

// Where the parts of a workbook are, found through the package and workbook relationships.
struct XlsxStructure
{
    QString workbookPart;
    QString workbookRelsPart;
    std::vector<XlsxSheetEntry> worksheets; // in workbook order; chart sheets are not counted
    QString sharedStringsPart;              // empty when there is none
    QString stylesPart;
    QString calcChainPart;
    QString corePropertiesPart;
    std::vector<XlsxRelationship> workbookRelationships;
};

// "xl/worksheets/sheet1.xml" -> "xl/worksheets/_rels/sheet1.xml.rels"
QString relationshipsPartOf(const QString& part);
// Resolves a relationship target against the folder of the part that owns it.
QString resolvePartTarget(const QString& ownerPart, const QString& target);
// True when a relationship type URI ends with "/kind" (transitional or strict namespaces).
bool isRelationshipType(const QString& type, const char* kind);

// Why an XML part of a workbook does not parse, in German; Qt's own text follows in brackets.
QString xmlErrorReason(const QXmlStreamReader& reader);

std::vector<XlsxRelationship> parseRelationships(const QByteArray& xml, const QString& ownerPart,
                                                 QString* error);

// Reads the package and workbook relationships and the sheet list; false with a German message
// when the archive is no workbook. Parts larger than `partLimit` are taken as missing.
bool readXlsxStructure(const ZipArchive& archive, XlsxStructure& structure, QString* error,
                       qint64 partLimit = ZipArchive::kDefaultPartLimit);

} // namespace brv
