#pragma once
// The form of an order: its fields, its lines in a grid, and two exports of the lines into a
// spreadsheet file: typed cells in a new workbook, or the firm's formatted order form from
// the template named by the registry value "OrderTemplate" (key Env::RegistryKeyRoot +
// "\ZayavkaReportDialog"). The files go into the report directory of the grid exports.
// «Клиент заказа» selects the order's client in the navigator, building the tree down to
// it; «Сохранить» writes the order and rebuilds the nodes around it, its lines included, or,
// when another user has changed what it writes, shows that and keeps the form's edits.

#include "DBGrids.h"
#include "DbTables.h"
#include "DemoRecords.h"

namespace DemoOrderForm {

class TOrderForm : public DemoRecords::TRecordForm {
    VEL_DECLARE_CLASS(TOrderForm, DemoRecords::TRecordForm)
public:
    TOrderForm(const QString& Caption, const QList<DemoRecords::TColumn>& Columns);

    // Shows the lines of the order.
    void ShowLines(qint64 OrderID, const QString& OrderName);

    TDBGrid* LinesGrid() const { return FGrid; }
    TButton* ExportButton() const { return FExportButton; }
    TButton* TemplateButton() const { return FTemplateButton; }
    TButton* ClientButton() const { return FClientButton; }
    TButton* SaveButton() const { return FSaveButton; }

private:
    void ExportClick();
    void TemplateClick();
    void Exported(const QString& FileName);
    void ClientClick();
    void SaveClick();

    TQuery* FLines;
    TDataSource* FSource;
    TDBGrid* FGrid;
    TButton* FExportButton;
    TButton* FTemplateButton;
    TButton* FClientButton;
    TButton* FSaveButton;
    QString FOrderName;
};

// The value "OrderTemplate" of the application's report settings; empty when there is none.
QString OrderTemplate();

} // namespace DemoOrderForm
