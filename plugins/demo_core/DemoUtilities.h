#pragma once
// The sample application's use of the shared utilities: the city of a client chosen from a
// list that narrows as one types (the search button looks the typed text up among the
// cities of clients and suppliers), the import of clients from the database of the alias
// "AliasImport", and packing the reports folder into an archive and unpacking it again.

#include "ListChooseDialog.h"

class TEdit;

namespace DemoUtilities {

// Looks up the cities of clients and suppliers that contain the typed text, ignoring
// letter case, and puts them into the list it was made for.
class TCitySearch : public ListChooseDialog::TListProcessor {
    VEL_DECLARE_CLASS(TCitySearch, ListChooseDialog::TListProcessor)
public:
    explicit TCitySearch(TStringList* Cities) : FCities(Cities) {}
    void Process(const QString& Text) override;

private:
    TStringList* FCities;
};

// Lets the user pick the city in CityEdit from the cities of the clients.
void ChooseCity(TEdit* CityEdit);

// Merges table KLIENTY of the database of the application's "AliasImport" into the
// session's, by ID. False when nothing was imported (the reason was shown).
bool ImportClients();

// The folder of reports: Env::ReportPath, or "Отчёты торгового дома" in the home folder.
QString ReportsFolder();
// The archive of a folder: beside it, named after it with ".zip".
QString ArchiveOf(const QString& Folder);

void RegisterUtilities();
void UnregisterUtilities();

inline const QString ImportServiceName = QStringLiteral("Импорт клиентов");
inline const QString PackServiceName = QStringLiteral("Упаковать отчёты");
inline const QString UnpackServiceName = QStringLiteral("Распаковать отчёты");

} // namespace DemoUtilities
