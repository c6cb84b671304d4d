#include "WorkbookReader.h"

#include "AutomationObjects.h"

#include <QFile>
#include <QXmlStreamReader>

#include <zip.h>

#include <algorithm>
#include <memory>

namespace WorkbookReader {

namespace {

const QString RelationshipsNamespace = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

struct TZipDiscard {
    void operator()(zip_t* Archive) const { zip_discard(Archive); }
};
using TZipArchive = std::unique_ptr<zip_t, TZipDiscard>;

// No real template comes near these: a larger file, a part larger than this when inflated or
// all parts together, or a large part inflating more than MaxRatio times (deflate at most
// reaches about 1000) is a damaged or hostile file, refused before anything is allocated.
constexpr zip_uint64_t MaxTemplateBytes = zip_uint64_t(256) << 20;
constexpr zip_uint64_t MaxInflatedBytes = zip_uint64_t(256) << 20;
constexpr zip_uint64_t RatioCheckedFrom = zip_uint64_t(1) << 20;
constexpr zip_uint64_t MaxRatio = 250;

// The parts of a template package, each read to its end and checked (sizes, CRC) before any
// of them is used.
class TTemplatePackage {
public:
    TTemplatePackage(const QByteArray& Bytes, const QString& FileName)
        : FFileName(FileName)
    {
        if (static_cast<zip_uint64_t>(Bytes.size()) > MaxTemplateBytes)
            RaiseNotAWorkbook(FileName, QStringLiteral("файл больше %1 МиБ").arg(MaxTemplateBytes >> 20));
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(Bytes.constData(), static_cast<zip_uint64_t>(Bytes.size()), 0, &error);
        zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
        if (!archive) {
            const QString reason = QString::fromUtf8(zip_error_strerror(&error));
            zip_source_free(source);
            zip_error_fini(&error);
            RaiseNotAWorkbook(FileName, reason);
        }
        zip_error_fini(&error);
        FArchive.reset(archive);
        VerifyParts();
    }

    // The contents of the part Name; raises EOleError when there is none.
    QByteArray Part(const QString& Name) const
    {
        const zip_int64_t index = zip_name_locate(FArchive.get(), Name.toUtf8().constData(), 0);
        if (index < 0)
            RaiseNotAWorkbook(FFileName, QStringLiteral("нет части %1").arg(Name));
        QByteArray data;
        Read(static_cast<zip_uint64_t>(index), &data);
        return data;
    }

private:
    // Every part is inflated to its end: libzip checks its length and CRC there.
    void VerifyParts() const
    {
        zip_uint64_t inflated = 0;
        const zip_int64_t count = zip_get_num_entries(FArchive.get(), 0);
        for (zip_int64_t index = 0; index < count; ++index) {
            inflated += Read(static_cast<zip_uint64_t>(index), nullptr);
            if (inflated > MaxInflatedBytes)
                RaiseNotAWorkbook(FFileName, QStringLiteral("части книги вместе больше %1 МиБ").arg(MaxInflatedBytes >> 20));
        }
    }

    zip_stat_t CheckedStat(zip_uint64_t Index) const
    {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(FArchive.get(), Index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || !(stat.valid & ZIP_STAT_COMP_SIZE))
            RaiseNotAWorkbook(FFileName, QString::fromUtf8(zip_strerror(FArchive.get())));
        const QString name = QString::fromUtf8(stat.name ? stat.name : "");
        if (stat.size > MaxInflatedBytes)
            RaiseNotAWorkbook(FFileName, QStringLiteral("часть %1 больше %2 МиБ").arg(name).arg(MaxInflatedBytes >> 20));
        if (stat.size >= RatioCheckedFrom && stat.size / std::max<zip_uint64_t>(stat.comp_size, 1) > MaxRatio)
            RaiseNotAWorkbook(FFileName, QStringLiteral("часть %1 сжата в %2 раз больше, чем бывает в книгах")
                                             .arg(name).arg(stat.size / std::max<zip_uint64_t>(stat.comp_size, 1)));
        return stat;
    }

    // Inflates the part at Index to its end, into Data when it is given; returns its size.
    // A part longer or shorter than it says, or whose CRC is wrong, raises EOleError.
    zip_uint64_t Read(zip_uint64_t Index, QByteArray* Data) const
    {
        const zip_stat_t stat = CheckedStat(Index);
        const QString name = QString::fromUtf8(stat.name ? stat.name : "");
        std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(FArchive.get(), Index, 0), zip_fclose);
        if (!file)
            RaiseNotAWorkbook(FFileName, QStringLiteral("часть %1 не читается: %2").arg(name, QString::fromUtf8(zip_strerror(FArchive.get()))));
        if (Data)
            Data->reserve(static_cast<qsizetype>(stat.size));
        char buffer[65536];
        zip_uint64_t total = 0;
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), buffer, sizeof buffer);
            if (got < 0)
                RaiseNotAWorkbook(FFileName, QStringLiteral("часть %1 повреждена: %2").arg(name, QString::fromUtf8(zip_file_strerror(file.get()))));
            if (got == 0)
                break;
            total += static_cast<zip_uint64_t>(got);
            if (total > stat.size)
                RaiseNotAWorkbook(FFileName, QStringLiteral("часть %1 длиннее, чем указано").arg(name));
            if (Data)
                Data->append(buffer, static_cast<qsizetype>(got));
        }
        if (total != stat.size)
            RaiseNotAWorkbook(FFileName, QStringLiteral("часть %1 короче, чем указано").arg(name));
        return total;
    }

    QString FFileName;
    TZipArchive FArchive;
};

// The folder of a part ("xl/workbook.xml" -> "xl/") and a target resolved against it; an
// empty string for a target that climbs above the package's root.
QString ResolvePart(const QString& From, const QString& Target)
{
    if (Target.startsWith(u'/'))
        return Target.mid(1);
    const qsizetype slash = From.lastIndexOf(u'/');
    QString resolved = (slash < 0 ? QString() : From.left(slash + 1)) + Target;
    // Targets such as "../worksheets/sheet1.xml" climb out of the folder.
    QStringList parts;
    for (const QString& part : resolved.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u"..") {
            if (parts.isEmpty())
                return QString();
            parts.removeLast();
        }
        else if (part != u".")
            parts.append(part);
    }
    return parts.join(u'/');
}

// The relationships part of a part ("xl/workbook.xml" -> "xl/_rels/workbook.xml.rels").
QString RelationshipsOf(const QString& Part)
{
    const qsizetype slash = Part.lastIndexOf(u'/');
    return Part.left(slash + 1) + QStringLiteral("_rels/") + Part.mid(slash + 1) + QStringLiteral(".rels");
}

// The target of the first relationship in Xml whose Id is Id, or whose Type ends in TypeSuffix.
QString RelationshipTarget(const QByteArray& Xml, const QString& Id, const QString& TypeSuffix)
{
    QXmlStreamReader reader(Xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if ((!Id.isEmpty() && attributes.value(QStringLiteral("Id")) == Id)
            || (!TypeSuffix.isEmpty() && attributes.value(QStringLiteral("Type")).endsWith(TypeSuffix)))
            return attributes.value(QStringLiteral("Target")).toString();
    }
    return QString();
}

// The relationship id of the workbook's first sheet.
QString FirstSheetId(const QByteArray& WorkbookXml)
{
    QXmlStreamReader reader(WorkbookXml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"sheet")
            return reader.attributes().value(RelationshipsNamespace, QStringLiteral("id")).toString();
    }
    return QString();
}

} // namespace

void RaiseNotAWorkbook(const QString& FileName, const QString& Reason)
{
    throw EOleError(QStringLiteral("Файл «%1» не является книгой Office Open XML (.xlsx): %2").arg(FileName, Reason));
}

TWorkbookFile Read(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        RaiseNotAWorkbook(FileName, file.errorString());
    if (static_cast<zip_uint64_t>(file.size()) > MaxTemplateBytes)
        RaiseNotAWorkbook(FileName, QStringLiteral("файл больше %1 МиБ").arg(MaxTemplateBytes >> 20));
    TWorkbookFile workbookFile;
    workbookFile.Bytes = file.readAll();
    const TTemplatePackage package(workbookFile.Bytes, FileName);
    const auto partOf = [&](const QString& From, const QString& Target) {
        const QString part = ResolvePart(From, Target);
        if (part.isEmpty())
            RaiseNotAWorkbook(FileName, QStringLiteral("ссылка на часть вне книги: %1").arg(Target));
        return part;
    };
    const QString workbook = partOf(QString(), RelationshipTarget(package.Part(QStringLiteral("_rels/.rels")), QString(),
                                                                  QStringLiteral("/officeDocument")));
    const QString sheetId = FirstSheetId(package.Part(workbook));
    const QString sheetTarget = RelationshipTarget(package.Part(RelationshipsOf(workbook)), sheetId, QString());
    if (sheetId.isEmpty() || sheetTarget.isEmpty())
        RaiseNotAWorkbook(FileName, QStringLiteral("в книге нет листов"));
    workbookFile.SheetEntry = partOf(workbook, sheetTarget);
    workbookFile.SheetXml = package.Part(workbookFile.SheetEntry);
    return workbookFile;
}

} // namespace WorkbookReader
