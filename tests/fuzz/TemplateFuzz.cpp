// Fuzz target: the spreadsheet template reader. An input that begins like a zip file is saved
// as the template as it is; any other input is taken for the XML of the first sheet and put
// into an otherwise sound package, so that the sheet's reader and the merging of cells are
// fuzzed past the zip's checksums. The template is opened; one that opens takes a few cells
// and is saved, and what is saved must open again as a template. Everything else must be
// refused with EOleError.

#include "Automation.h"
#include "ExcelFiles.h"

#include <QDir>
#include <QFile>

#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

QString ScratchFile(const char* Name)
{
    return QDir::tempPath() + QStringLiteral("/velnor-fuzz-template-%1-%2").arg(getpid()).arg(QLatin1String(Name));
}

const char* const PackageParts[][2] = {
    {"[Content_Types].xml",
     R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
     R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
     R"(<Default Extension="xml" ContentType="application/xml"/></Types>)"},
    {"_rels/.rels",
     R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
     R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" )"
     R"(Target="xl/workbook.xml"/></Relationships>)"},
    {"xl/workbook.xml",
     R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
     R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
     R"(<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
    {"xl/_rels/workbook.xml.rels",
     R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
     R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" )"
     R"(Target="worksheets/sheet1.xml"/></Relationships>)"},
};

bool Add(zip_t* Archive, const char* Name, const char* Data, size_t Size)
{
    zip_source_t* source = zip_source_buffer(Archive, Data, Size, 0);
    if (source && zip_file_add(Archive, Name, source, ZIP_FL_OVERWRITE) >= 0)
        return true;
    zip_source_free(source);
    return false;
}

// A sound package whose first sheet holds Sheet.
void WritePackage(const QString& Path, const uint8_t* Sheet, size_t Size)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(Path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        std::abort();
    bool added = Add(archive, "xl/worksheets/sheet1.xml", reinterpret_cast<const char*>(Sheet), Size);
    for (const auto& part : PackageParts)
        added = added && Add(archive, part[0], part[1], std::strlen(part[1]));
    if (!added || zip_close(archive) != 0)
        std::abort();
}

void WriteFile(const QString& Path, const uint8_t* Data, size_t Size)
{
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(Data), static_cast<qint64>(Size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString input = ScratchFile("input.xlsx");
    const QString output = ScratchFile("output.xls");
    if (Size >= 2 && Data[0] == 'P' && Data[1] == 'K')
        WriteFile(input, Data, Size);
    else
        WritePackage(input, Data, Size);
    try {
        const ExcelFiles::TWorkbookTemplate workbook(input);
        ExcelFiles::TCellStore cells;
        cells.Put(3, 2, QStringLiteral("Товар"));
        cells.Put(4, 3, 5);
        cells.Put(1, 8, 1.25);
        workbook.Write(cells, output);
        const ExcelFiles::TWorkbookTemplate written(output);
    } catch (const EOleError& Error) {
        // A save that failed leaves no file; a file saved must open again.
        if (QFile::exists(output) && Error.Message().contains(output)) {
            std::fprintf(stderr, "%s\n", Error.what());
            std::abort();
        }
    }
    QFile::remove(input);
    QFile::remove(output);
    return 0;
}
