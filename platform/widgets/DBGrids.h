#pragma once
// The data grid: a table view over the rows of the dataset behind a data source. The grid
// shows the dataset's own row cache (nothing is copied) and reads further rows from the
// cursor only as the user scrolls towards the end, so a grid over a large result opens at
// once. Selecting a row in the grid moves the dataset there, and the grid follows the
// dataset's current row. While the dataset's controls are disabled the grid is not told of
// changes and catches up when they are enabled again.

#include "Controls.h"
#include "Db.h"

#include <QTableView>

#include <memory>
#include <vector>

class TDataSetModel;

class TColumnTitle {
public:
    QString Caption;
};

// One grid column: the field it shows (by name, letter case ignored) and its title.
class TColumn {
public:
    QString FieldName;
    TColumnTitle* Title() { return &FTitle; }
    const TColumnTitle* Title() const { return &FTitle; }

private:
    TColumnTitle FTitle;
};

class TDBGrid;

class TDBGridColumns {
public:
    explicit TDBGridColumns(TDBGrid* Grid) : FGrid(Grid) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    TColumn* Items(int Index) const { return FItems.at(Index).get(); }
    // Appends a column; the grid shows it at once.
    TColumn* Add(const QString& FieldName = QString(), const QString& Caption = QString());
    void Clear();

private:
    TDBGrid* FGrid;
    std::vector<std::unique_ptr<TColumn>> FItems;
};

class TDBGrid : public TWinControl<QTableView>, private TDataLink {
    VEL_DECLARE_CLASS(TDBGrid, TComponent)
public:
    TDBGrid(TComponent* AOwner, QWidget* Parent);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* DataSource);
    TDBGridColumns* Columns() { return &FColumns; }
    // The dataset behind the data source, or null.
    TDataSet* DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

    // Shows the columns anew after they were changed.
    void LayoutChanged();

protected:
    void resizeEvent(QResizeEvent* Event) override;

private:
    void DataEvent(TDataEvent Event) override;
    void FillViewport();
    void FollowCurrentRecord();
    void CurrentRowChosen(int Row);

    TDBGridColumns FColumns;
    TDataSource* FDataSource = nullptr;
    TDataSetModel* FModel;
    bool FFollowing = false;
};
