#include "DBGrids.h"

#include "Application.h"
#include "DatabaseFixture.h"

#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

class TDBGridTest : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        ExecSQL(QStringList{
            QStringLiteral("create table T (ID integer primary key, NAZVANIE varchar(40))"),
            QStringLiteral("with recursive N(X) as (select 1 union all select X + 1 from N where X < %1) "
                           "insert into T select X, 'Строка ' || X from N")
                .arg(Rows),
        });
        FQuery.SetDatabaseName(AliasName());
        FQuery.SQL()->SetText(QStringLiteral("select ID, NAZVANIE from T order by ID"));
        FQuery.Open();
        FSource.SetDataSet(&FQuery);
        FGrid = std::make_unique<TDBGrid>(nullptr, nullptr);
        FGrid->Columns()->Add(QStringLiteral("nazvanie"), QStringLiteral("Наименование"));
        FGrid->Columns()->Add(QStringLiteral("NET_TAKOGO"), QStringLiteral("Нет поля"));
        FGrid->SetDataSource(&FSource);
        FGrid->resize(400, 300);
        FGrid->show();
        Application::ProcessMessages();
    }

    int GridRows() const { return FGrid->model()->rowCount(); }
    int CurrentGridRow() const { return FGrid->currentIndex().row(); }
    QVariant Cell(int Row, int Column) const { return FGrid->model()->index(Row, Column).data(); }

    static constexpr int Rows = 3000;
    TQuery FQuery;
    TDataSource FSource;
    std::unique_ptr<TDBGrid> FGrid;
};

// The grid shows the dataset's rows without reading them all first, reads more as the user
// scrolls to the end, and shows a column whose field is missing as empty.
TEST_P(TDBGridTest, ShowsRowsAsTheyAreReadWhileScrolling)
{
    EXPECT_LT(FQuery.FetchedRecordCount(), Rows);
    EXPECT_EQ(GridRows(), FQuery.FetchedRecordCount());
    EXPECT_EQ(FGrid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Наименование"));
    EXPECT_EQ(Cell(1, 0).toString(), QStringLiteral("Строка 2"));
    EXPECT_FALSE(Cell(1, 1).isValid());

    for (int i = 0; i < Rows && GridRows() < Rows; ++i) {
        FGrid->verticalScrollBar()->setValue(FGrid->verticalScrollBar()->maximum());
        Application::ProcessMessages();
    }
    EXPECT_EQ(GridRows(), Rows);
    EXPECT_EQ(Cell(Rows - 1, 0).toString(), QStringLiteral("Строка %1").arg(Rows));
    EXPECT_EQ(FQuery.RecNo(), 1) << "scrolling does not move the dataset";
}

// The grid follows the dataset's current row, moves the dataset when a row is chosen in it,
// stands still while the controls are disabled, catches up when they are enabled again, and
// is left empty when its dataset goes away.
TEST_P(TDBGridTest, FollowsTheDatasetUnlessControlsAreDisabled)
{
    EXPECT_EQ(CurrentGridRow(), 0);
    FQuery.Next();
    EXPECT_EQ(CurrentGridRow(), 1);
    FGrid->setCurrentIndex(FGrid->model()->index(5, 0));
    EXPECT_EQ(FQuery.RecNo(), 6);

    FQuery.DisableControls();
    FQuery.DisableControls();
    const int shown = GridRows();
    FQuery.Last();
    EXPECT_EQ(CurrentGridRow(), 5);
    EXPECT_EQ(GridRows(), shown);
    FQuery.EnableControls();
    EXPECT_EQ(CurrentGridRow(), 5) << "controls stay disabled until every DisableControls is matched";
    FQuery.EnableControls();
    EXPECT_EQ(GridRows(), Rows);
    EXPECT_EQ(CurrentGridRow(), Rows - 1);

    FQuery.Close();
    EXPECT_EQ(GridRows(), 0);
    FQuery.Open();
    EXPECT_EQ(CurrentGridRow(), 0);
    {
        TQuery other;
        other.SetDatabaseName(AliasName());
        other.SQL()->SetText(QStringLiteral("select NAZVANIE from T where ID = 7"));
        other.Open();
        FSource.SetDataSet(&other);
        EXPECT_EQ(Cell(0, 0).toString(), QStringLiteral("Строка 7"));
    }
    EXPECT_EQ(FSource.DataSet(), nullptr);
    EXPECT_EQ(GridRows(), 0);
}

VELNOR_INSTANTIATE_DATABASE_TEST(TDBGridTest);

} // namespace
