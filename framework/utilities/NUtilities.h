#pragma once
// Utilities for plug-in packages.
//
// Diagnostic messages behind a switch: the value "DebugMessages" under "Software\Velnor02"
// of the current user, read once when the unit initialises (1 = on, anything else off).
//
// File housekeeping: emptying a folder, packing and unpacking files with the archiver wrar
// that lives in the program directory (Env::ProgramPath), copying a file onto a removable
// disk with the user's consent, splitting "left=right" texts. Merging table contents by the
// key field "ID" (NUCopyTables; plain appending is ExtendedCopy::SimpleCopyTables).

#include <QString>

class TDataSet;

namespace NUtilities {

// Deletes every entry directly inside Dir that is not a folder (hidden files and links
// included; a link to a folder is deleted as the link). Subfolders stay; a missing Dir and
// entries that cannot be deleted are passed over silently.
void ClearDir(const QString& Dir);

// Packs the files of SourceDir whose names match FileMask ("*.txt", "*.*") into ArchiveName,
// stored with names relative to SourceDir (links are not packed). False, after a message box
// that says which, when no folder is given, when the archiver cannot be started or runs
// longer than ArchiverTimeout (it is killed then), when it fails (nothing to pack, a damaged
// archive, a full disk; its exit status and reason are shown) or when it refused files
// ("Пропущено файлов: N").
bool PackFiles(const QString& SourceDir, const QString& FileMask, const QString& ArchiveName);
// Extracts every file of the archive ArchivePath into TargetDir without stored paths,
// overwriting. The second argument is not used. Result as for PackFiles.
bool UnPackFiles(const QString& TargetDir, const QString& Unused, const QString& ArchivePath);
// How long the archiver may run before it is killed, in milliseconds (50 seconds; tests
// shorten it).
extern int ArchiverTimeout;

// Copies FileName into TargetDir (a removable disk's folder) as often as the user wants,
// asking first with Question and checking the free space of the file system that holds
// TargetDir before each copy. A copy that fails is shown with its file and leaves no
// truncated file (an older copy stays as it was). False when the user declines at Question
// or the last copy failed, true otherwise.
bool FileCopyProc(const QString& Question, const QString& FileName, const QString& TargetDir);

// The part of Text before its first "="; Right receives the part after its last "=". A text
// without "=" is both parts; an empty Text gives an empty result and leaves Right alone.
QString SplitRange(const QString& Text, QString& Right);

// Copies every record of Source into Destination field by field by name, updating the
// record of Destination whose "ID" equals the source record's "ID" (64-bit) and appending
// the others. Opens both datasets and closes them at the end. A failure to open, edit or
// transfer is shown in a message box and gives false; a failure to read or find the key (a
// dataset without "ID") reaches the caller with both datasets left open.
bool NUCopyTables(TDataSet* Source, TDataSet* Destination);

// Shows Message in a plain modal message box when the switch is on; the numbers are unused.
void ShowDebugMessage(const QString& Message, int, int, int);
// Nothing to do: the switch is read by the unit's initialisation.
bool InitializeDebugManager();

// Exports every field of every record of DataSet into a new spreadsheet file through
// "Excel.Application": the first record in row 3, the first field in column 2, all values as
// text, no title row. The file is <Env::ReportPath>/<file-name part of FileName>.xls (the
// home directory when Env::ReportPath is empty). The spreadsheet application is told to quit
// in every case; a failure reaches the caller after that.
bool ExportToMsExcel(TDataSet* DataSet, const QString& FileName);

// Initialisation reads the switch; a "DebugMessages" value that is not an integer raises.
void Initialize();
void Finalize();

} // namespace NUtilities
