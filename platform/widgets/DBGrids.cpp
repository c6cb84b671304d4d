#include "DBGrids.h"

#include "Application.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QScrollBar>

VEL_IMPLEMENT_CLASS(TDBGrid)

// The grid's columns over the rows the dataset has read; asks for more as the view needs them.
class TDataSetModel : public QAbstractTableModel {
public:
    explicit TDataSetModel(TDBGrid* Grid) : QAbstractTableModel(Grid), FGrid(Grid) {}

    // Everything anew: the columns' fields and the rows read so far.
    void Reset()
    {
        beginResetModel();
        FFieldIndexes.clear();
        TDataSet* dataSet = ActiveDataSet();
        for (int i = 0; i < FGrid->Columns()->Count(); ++i) {
            const TField* field = dataSet ? dataSet->FindField(FGrid->Columns()->Items(i)->FieldName) : nullptr;
            FFieldIndexes.push_back(field ? field->Index() : -1);
        }
        FRowCount = dataSet ? dataSet->FetchedRecordCount() : 0;
        endResetModel();
    }

    // Shows the rows the dataset has read since the model last looked.
    void RowsRead()
    {
        TDataSet* dataSet = ActiveDataSet();
        const int fetched = dataSet ? dataSet->FetchedRecordCount() : 0;
        if (fetched <= FRowCount)
            return;
        beginInsertRows(QModelIndex(), FRowCount, fetched - 1);
        FRowCount = fetched;
        endInsertRows();
    }

    int rowCount(const QModelIndex& Parent) const override { return Parent.isValid() ? 0 : FRowCount; }
    int columnCount(const QModelIndex& Parent) const override
    {
        return Parent.isValid() ? 0 : static_cast<int>(FFieldIndexes.size());
    }

    QVariant data(const QModelIndex& Index, int Role) const override
    {
        TDataSet* dataSet = ActiveDataSet();
        if (!dataSet || !Index.isValid() || (Role != Qt::DisplayRole && Role != Qt::TextAlignmentRole))
            return QVariant();
        const QVariant value = dataSet->RecordValue(Index.row(), FFieldIndexes[Index.column()]);
        if (Role == Qt::TextAlignmentRole)
            return IsNumber(value) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        // A typed null would show as 0.
        return value.isNull() ? QVariant() : value;
    }

    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override
    {
        if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section < FGrid->Columns()->Count())
            return FGrid->Columns()->Items(Section)->Title()->Caption;
        return QAbstractTableModel::headerData(Section, Orientation, Role);
    }

    bool canFetchMore(const QModelIndex& Parent) const override
    {
        TDataSet* dataSet = ActiveDataSet();
        return !Parent.isValid() && dataSet && !dataSet->AllRecordsFetched();
    }

    void fetchMore(const QModelIndex& Parent) override
    {
        if (!canFetchMore(Parent))
            return;
        Application::Guarded([this] { ActiveDataSet()->FetchRecords(FetchBatch); });
        RowsRead();
    }

private:
    static constexpr int FetchBatch = 256;

    TDataSet* ActiveDataSet() const
    {
        TDataSet* dataSet = FGrid->DataSet();
        return dataSet && dataSet->Active() ? dataSet : nullptr;
    }

    static bool IsNumber(const QVariant& Value)
    {
        switch (Value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
        case QMetaType::Float: return true;
        default: return false;
        }
    }

    TDBGrid* FGrid;
    std::vector<int> FFieldIndexes;
    int FRowCount = 0;
};

TColumn* TDBGridColumns::Add(const QString& FieldName, const QString& Caption)
{
    auto column = std::make_unique<TColumn>();
    column->FieldName = FieldName;
    column->Title()->Caption = Caption;
    FItems.push_back(std::move(column));
    FGrid->LayoutChanged();
    return FItems.back().get();
}

void TDBGridColumns::Clear()
{
    FItems.clear();
    FGrid->LayoutChanged();
}

TDBGrid::TDBGrid(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent), FColumns(this), FModel(new TDataSetModel(this))
{
    setModel(FModel);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    QObject::connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                     [this](const QModelIndex& Current) { CurrentRowChosen(Current.row()); });
}

TDBGrid::~TDBGrid()
{
    if (FDataSource)
        FDataSource->RemoveClient(this);
}

void TDBGrid::SetDataSource(TDataSource* DataSource)
{
    if (FDataSource)
        FDataSource->RemoveClient(this);
    FDataSource = DataSource;
    if (FDataSource)
        FDataSource->AddClient(this);
    LayoutChanged();
}

void TDBGrid::LayoutChanged()
{
    FModel->Reset();
    FillViewport();
    FollowCurrentRecord();
}

// Reads as many rows as the visible area shows; the view reads further ones as it scrolls.
void TDBGrid::FillViewport()
{
    const int rowHeight = std::max(verticalHeader()->defaultSectionSize(), 1);
    const int wanted = verticalScrollBar()->value() + viewport()->height() / rowHeight + 1;
    while (FModel->rowCount(QModelIndex()) < wanted && FModel->canFetchMore(QModelIndex()))
        FModel->fetchMore(QModelIndex());
}

void TDBGrid::resizeEvent(QResizeEvent* Event)
{
    QTableView::resizeEvent(Event);
    FillViewport();
}

void TDBGrid::DataEvent(TDataEvent Event)
{
    switch (Event) {
    case deDataSetDestroying:
        FDataSource = nullptr;
        LayoutChanged();
        break;
    case deLayoutChange:
    case deDataSetChange: LayoutChanged(); break;
    case deDataSetScroll:
        FModel->RowsRead();
        FollowCurrentRecord();
        break;
    }
}

// Selects the dataset's current row without moving the dataset again.
void TDBGrid::FollowCurrentRecord()
{
    TDataSet* dataSet = DataSet();
    const int row = dataSet ? dataSet->RecNo() - 1 : -1;
    if (row < 0 || FColumns.Count() == 0 || row >= FModel->rowCount(QModelIndex()))
        return;
    FFollowing = true;
    setCurrentIndex(FModel->index(row, std::max(currentIndex().column(), 0)));
    FFollowing = false;
}

void TDBGrid::CurrentRowChosen(int Row)
{
    TDataSet* dataSet = DataSet();
    if (FFollowing || Row < 0 || !dataSet || !dataSet->Active() || dataSet->RecNo() == Row + 1)
        return;
    FFollowing = true;
    Application::Guarded([dataSet, Row] { dataSet->SetRecNo(Row + 1); });
    FFollowing = false;
}
