#include "DemoPackages.h"

#include "ContextManager.h"
#include "DBGrids.h"
#include "DatabaseFixture.h"
#include "DatabaseManager.h"
#include "DemoCoreClasses.h"
#include "DemoMessages.h"
#include "DemoRecords.h"
#include "DemoSchema.h"
#include "TestKit.h"
#include "ListChooseDialog.h"
#include "Menus.h"
#include "EClasses.h"
#include "Env.h"
#include "Menus.h"
#include "MessageManager.h"
#include "OrderTemplate.h"
#include "Registry.h"
#include "TestEnvironment.h"
#include "WizardManager.h"
#include "WorkbookProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QRegularExpression>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

using DemoPackages::RegisteredClass;
using DemoRecords::TRecordClass;
using DemoRecords::TRecordForm;
using DemoRecords::TRecordInstance;
using EClasses::TEntity;
using EClasses::TEntityChildList;

const int DemoRows = 40;

// Runs the main thread's event loop until Done or ten seconds have passed.
bool ServeUntil(const std::function<bool()>& Done)
{
    QElapsedTimer timer;
    timer.start();
    while (!Done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return Done();
}

using TestKit::ButtonOf;

// The demo database in the fixture's database, the session set up over it (with a running
// message manager when asked) and both packages loaded.
class DemoApplicationTest : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        DemoSchema::Provision(Database()->Connection(), DemoRows);
        Env::Database = Database();
        DatabaseManager::RegisterDatabase(Database());
        TestSupport::Dialogs().Reset();
    }
    void TearDown() override
    {
        Packages.reset();
        if (Post) {
            Env::Post = nullptr;
            Post.reset();
        }
        if (Env::Database) {
            DatabaseManager::UnregisterDatabase(Database());
            Env::Database = nullptr;
        }
        TDatabaseTest::TearDown();
    }

    void StartSession(bool WithMessages)
    {
        if (WithMessages) {
            Post = std::make_unique<MessageManager::TMessageManager>();
            Env::Post = Post.get();
            Post->Start();
        }
        Packages.emplace();
    }

    // Every class node of the packages is a TRecordClass.
    std::unique_ptr<TRecordClass> NewClassNode(const char* ClassName, const QString& Condition)
    {
        TEntity* entity = EClasses::CreateEntity(RegisteredClass(QString::fromLatin1(ClassName)), Condition, nullptr);
        return std::unique_ptr<TRecordClass>(static_cast<TRecordClass*>(entity));
    }

    std::unique_ptr<TRecordInstance> NewInstance(const char* ClassName, qint64 ID)
    {
        auto* instance = EClasses::CreateInstance(RegisteredClass(QString::fromLatin1(ClassName)), ID, QString());
        return std::unique_ptr<TRecordInstance>(static_cast<TRecordInstance*>(instance));
    }

    qint64 Count(const QString& SQL) { return QueryValue(SQL).toLongLong(); }

    std::unique_ptr<MessageManager::TMessageManager> Post;
    std::optional<DemoPackages::TLoadedPackages> Packages;
};

TEST_P(DemoApplicationTest, ClassNodesListTheirRowsByNameAndFilteredLinksOnlyTheirOwn)
{
    StartSession(false);
    TEntityChildList clients;
    NewClassNode("TClientsClass", QString())->GetChildList(&clients);
    ASSERT_EQ(clients.Count(), DemoRows);
    EXPECT_EQ(clients.GetName(0), QueryValue("select min(NAZVANIE) from KLIENTY").toString());

    const qint64 client = QueryValue("select KLIENT_ID from ZAKAZY where ID = 1").toLongLong();
    TEntityChildList orders;
    NewClassNode("TClientOrdersClass", QStringLiteral("KLIENT_ID=%1").arg(client))->GetChildList(&orders);
    EXPECT_EQ(orders.Count(), Count(QStringLiteral("select count(*) from ZAKAZY where KLIENT_ID = %1").arg(client)));
    EXPECT_GE(orders.IndexByID(1), 0);

    TEntityChildList newOrders;
    NewClassNode("TNewOrdersClass", QString())->GetChildList(&newOrders);
    EXPECT_EQ(newOrders.Count(), Count("select count(*) from ZAKAZY where STATUS = 'Новый'"));
    EXPECT_LT(newOrders.Count(), DemoRows);

    // A warehouse is a container of its stock rows, and runs in the context "Склад".
    const qint64 warehouse = QueryValue("select min(ID) from SKLADY").toLongLong();
    std::unique_ptr<EClasses::TEntityContainer> stock(EClasses::CreateContainer(RegisteredClass("TStockContainer"), warehouse,
        QString(), QStringLiteral("!CT=OSTATKI&CK=SKLAD_ID&DT=TOVARY&FK=TOVAR_ID&")));
    stock->AfterCreate();
    EXPECT_EQ(stock->GetContext()->Name, QStringLiteral("Склад"));
    TEntityChildList rows;
    stock->GetChildList(&rows);
    EXPECT_EQ(rows.Count(), Count(QStringLiteral("select count(*) from OSTATKI where SKLAD_ID = %1").arg(warehouse)));
    EXPECT_GT(rows.Count(), 0);
}

TEST_P(DemoApplicationTest, AnEditedInstanceIsModifiedAndSaveWritesItsRow)
{
    StartSession(false);
    auto client = NewInstance("TClientInstance", 3);
    client->Show();
    auto* form = static_cast<TRecordForm*>(client->Form);
    EXPECT_EQ(form->Entity, client.get());
    EXPECT_NE(form->DockSite, nullptr);
    EXPECT_TRUE(client->Found);
    EXPECT_EQ(form->EditOf("GOROD")->Text(), QueryValue("select GOROD from KLIENTY where ID = 3").toString());
    EXPECT_FALSE(client->Modified);

    const QString otherCity = QueryValue("select GOROD from KLIENTY where ID = 4").toString();
    form->EditOf("GOROD")->SetText(QStringLiteral("Тверь"));
    form->EditOf("NAZVANIE")->SetText(QStringLiteral("ООО \"Ромашка\""));
    EXPECT_TRUE(client->Modified);
    client->Save();
    EXPECT_FALSE(client->Modified);
    EXPECT_EQ(client->Name, QStringLiteral("ООО \"Ромашка\""));
    EXPECT_EQ(QueryValue("select GOROD from KLIENTY where ID = 3").toString(), QStringLiteral("Тверь"));
    EXPECT_EQ(QueryValue("select NAZVANIE from KLIENTY where ID = 3").toString(), QStringLiteral("ООО \"Ромашка\""));
    EXPECT_EQ(QueryValue("select GOROD from KLIENTY where ID = 4").toString(), otherCity);

    // A number column left empty is written as NULL; the row is read back as it now is.
    auto good = NewInstance("TGoodsInstance", 1);
    good->Show();
    auto* goodForm = static_cast<TRecordForm*>(good->Form);
    goodForm->EditOf("CENA")->SetText(QString());
    good->Save();
    EXPECT_TRUE(QueryValue("select CENA from TOVARY where ID = 1").isNull());
    good->Load();
    EXPECT_EQ(good->Values.value("CENA"), QString());
}

// Another user changes a client and an order while their forms are open: «Сохранить» writes
// only the fields edited, and over a field changed meanwhile (or a row deleted) writes nothing,
// shows the record-changed error and keeps the form with its edits.
TEST_P(DemoApplicationTest, SavingOverAnotherUsersChangeShowsTheErrorAndKeepsTheFormsEdits)
{
    StartSession(false);
    const QString recordChanged = QStringLiteral("Запись не найдена: она изменена или удалена другим пользователем");
    auto client = NewInstance("TClientInstance", 3);
    client->Show();
    auto* form = static_cast<TRecordForm*>(client->Form);
    form->EditOf("GOROD")->SetText(QStringLiteral("Тверь"));
    ExecSQL("update KLIENTY set TELEFON = '555-01-01' where ID = 3");
    ButtonOf(form, QStringLiteral("Сохранить"))->Click();
    EXPECT_FALSE(client->Modified);
    EXPECT_EQ(QueryValue("select GOROD from KLIENTY where ID = 3").toString(), QStringLiteral("Тверь"));
    EXPECT_EQ(QueryValue("select TELEFON from KLIENTY where ID = 3").toString(), QStringLiteral("555-01-01"));

    form->EditOf("GOROD")->SetText(QStringLiteral("Псков"));
    ExecSQL("update KLIENTY set GOROD = 'Орёл' where ID = 3");
    ButtonOf(form, QStringLiteral("Сохранить"))->Click();
    EXPECT_EQ(TestSupport::Dialogs().Messages().back(), recordChanged);
    EXPECT_TRUE(client->Modified);
    EXPECT_EQ(form->EditOf("GOROD")->Text(), QStringLiteral("Псков"));
    EXPECT_EQ(QueryValue("select GOROD from KLIENTY where ID = 3").toString(), QStringLiteral("Орёл"));

    ExecSQL(QStringList{"delete from STROKI_ZAKAZA where ZAKAZ_ID in (select ID from ZAKAZY where KLIENT_ID = 3)",
        "delete from ZAKAZY where KLIENT_ID = 3", "delete from KLIENTY where ID = 3"});
    ButtonOf(form, QStringLiteral("Сохранить"))->Click();
    EXPECT_EQ(TestSupport::Dialogs().Messages().size(), 2u);
    EXPECT_TRUE(QueryValue("select ID from KLIENTY where ID = 3").isNull());

    const qint64 orderID = QueryValue("select min(ID) from ZAKAZY").toLongLong();
    auto order = NewInstance("TOrderInstance", orderID);
    order->Show();
    auto* orderForm = static_cast<TRecordForm*>(order->Form);
    orderForm->EditOf("STATUS")->SetText(QStringLiteral("Отгружен"));
    ExecSQL(QStringLiteral("update ZAKAZY set STATUS = 'Отменён' where ID = %1").arg(orderID));
    ButtonOf(orderForm, QStringLiteral("Сохранить"))->Click();
    EXPECT_EQ(TestSupport::Dialogs().Messages().size(), 3u);
    EXPECT_EQ(TestSupport::Dialogs().Messages().back(), recordChanged);
    EXPECT_TRUE(order->Modified);
    EXPECT_EQ(orderForm->EditOf("STATUS")->Text(), QStringLiteral("Отгружен"));
    EXPECT_EQ(QueryValue(QStringLiteral("select STATUS from ZAKAZY where ID = %1").arg(orderID)).toString(), QStringLiteral("Отменён"));
}

TEST_P(DemoApplicationTest, TheCityIsChosenFromAListAndClientsAreImportedByTheirID)
{
    StartSession(false);
    auto client = NewInstance("TClientInstance", 3);
    client->Show();
    TEdit* city = static_cast<TRecordForm*>(client->Form)->EditOf("GOROD");
    ASSERT_EQ(city->actions().size(), 1);
    const QString supplierCity = QStringLiteral("Йошкар-Ола");
    ExecSQL(QStringLiteral("update POSTAVSHCHIKI set GOROD = '%1' where ID = 1").arg(supplierCity));
    TestSupport::Dialogs().QueueModalAnswer([&](TForm* Form) {
        auto* dialog = static_cast<ListChooseDialog::TListDialog*>(Form);
        EXPECT_EQ(dialog->ListBox1->count(), Count("select count(distinct GOROD) from KLIENTY"));
        dialog->Edit1->SetText(QStringLiteral("йошкар"));
        EXPECT_EQ(dialog->ListBox1->count(), 0) << "no client lives there";
        dialog->SpeedButton1->click();
        EXPECT_EQ(dialog->ListBox1->Items(), QStringList({supplierCity})) << "the search also finds the suppliers' cities";
        dialog->ListBox1->setCurrentRow(0);
        emit dialog->ListBox1->itemDoubleClicked(dialog->ListBox1->item(0));
        dialog->Button1->click();
        return Form->ModalResult();
    });
    city->actions().first()->trigger();
    EXPECT_EQ(city->Text(), supplierCity);
    EXPECT_TRUE(client->Modified);

    // The import database: the same clients, one renamed, and five more.
    const QString importFile = TestSupport::TempDir() + QStringLiteral("/import %1.sqlite").arg(Backend() == TestSupport::TBackend::SQLite);
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("import"));
        connection.setDatabaseName(importFile);
        ASSERT_TRUE(connection.open());
        DemoSchema::Provision(connection, DemoRows + 5);
        connection.exec(QStringLiteral("update KLIENTY set NAZVANIE = 'Импортированный' where ID = 2"));
        connection.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("import"));
    TestSupport::WriteAlias(QStringLiteral("IMPORTDB"), {{QStringLiteral("Driver"), QStringLiteral("SQLITE")}, {QStringLiteral("Database"), importFile}});
    Env::RegistryKeyRoot = QStringLiteral("Software\\Velnor07\\DEMO");
    TRegistry registry;
    registry.OpenKey(Env::RegistryKeyRoot, true);
    TMenuItem* import = Env::Services->ObjectAs<EClasses::TServiceInfo>(Env::Services->IndexOf(QStringLiteral("Импорт клиентов")))->MenuItem;
    registry.WriteString(QStringLiteral("AliasImport"), QStringLiteral("none"));
    import->Click();
    registry.WriteString(QStringLiteral("AliasImport"), QStringLiteral("IMPORTDB"));
    import->Click();
    Env::RegistryKeyRoot.clear();
    EXPECT_EQ(Count("select count(*) from KLIENTY"), DemoRows + 5);
    EXPECT_EQ(QueryValue("select NAZVANIE from KLIENTY where ID = 2").toString(), QStringLiteral("Импортированный"));
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
              std::vector<QString>({QStringLiteral("Алиас для импорта не задан в параметрах приложения"),
                                    QStringLiteral("Клиенты импортированы")}));
}

// The button of that caption on Form.
// The file named by the last message "Файл сохранён: <path>".
QString SavedFile()
{
    const auto messages = TestSupport::Dialogs().Messages();
    const QString prefix = QStringLiteral("Файл сохранён: ");
    return !messages.empty() && messages.back().startsWith(prefix) ? messages.back().mid(prefix.size()) : QString();
}

// The order form shows the order's lines in a grid and exports them, typed or into the firm's
// template; the clients service exports every client.
TEST_P(DemoApplicationTest, TheOrderFormShowsItsLinesAndExportsThem)
{
    const QString reports = TestSupport::TempDir() + QStringLiteral("/reports-") + QString::number(static_cast<int>(Backend()));
    ASSERT_TRUE(QDir().mkpath(reports));
    const QString templateName = reports + QLatin1Char('/') + OrderTemplate::FileName;
    OrderTemplate::Write(templateName);
    Env::RegistryKeyRoot = QStringLiteral("Software\\Velnor07\\DEMO");
    {
        TRegistry registry;
        registry.OpenKey(Env::RegistryKeyRoot + QStringLiteral("\\ZayavkaReportDialog"), true);
        registry.WriteString(QStringLiteral("ReportPath"), reports);
        registry.WriteString(QStringLiteral("OrderTemplate"), templateName);
    }
    StartSession(false);
    Env::EntityApplication->InitApplication();

    const qint64 order = QueryValue("select min(ZAKAZ_ID) from STROKI_ZAKAZA").toLongLong();
    auto instance = NewInstance("TOrderInstance", order);
    instance->Show();
    auto* grid = instance->Form->findChild<TDBGrid*>();
    ASSERT_NE(grid, nullptr);
    const int lines = static_cast<int>(Count(QStringLiteral("select count(*) from STROKI_ZAKAZA where ZAKAZ_ID = %1").arg(order)));
    EXPECT_EQ(grid->model()->rowCount(), lines);

    ButtonOf(instance->Form, QStringLiteral("Выгрузить в Excel"))->Click();
    const QString orderName = QueryValue(QStringLiteral("select NAZVANIE from ZAKAZY where ID = %1").arg(order)).toString();
    EXPECT_EQ(SavedFile(), reports + QLatin1Char('/') + orderName + QStringLiteral(".xls"));
    const QStringList typed = TestSupport::CellLines(TestSupport::ReadWorkbook(SavedFile()), 0);
    EXPECT_TRUE(typed.contains(QStringLiteral("B3 str Товар")));
    EXPECT_TRUE(typed.contains(QStringLiteral("D4 int %1").arg(QueryValue(QStringLiteral("select KOLICHESTVO from STROKI_ZAKAZA where ZAKAZ_ID = %1 order by ID").arg(order)).toInt())));
    EXPECT_EQ(typed.filter(QRegularExpression(QStringLiteral("^B\\d+ "))).size(), lines + 1);

    ButtonOf(instance->Form, QStringLiteral("Бланк заказа"))->Click();
    const QJsonObject form = TestSupport::ReadWorkbook(SavedFile());
    const QStringList cells = TestSupport::CellLines(form, 0);
    EXPECT_TRUE(cells.contains(QStringLiteral("B1 str Торговый дом «Велнор» — бланк заказа")));
    EXPECT_TRUE(cells.contains(QStringLiteral("E3 str Цена")));
    EXPECT_EQ(form[QStringLiteral("sheets")].toArray().size(), 2);

    auto* service = Env::Services->ObjectAs<EClasses::TServiceInfo>(Env::Services->IndexOf(QStringLiteral("Выгрузка клиентов")));
    ASSERT_NE(service, nullptr);
    service->MenuItem->Click();
    EXPECT_EQ(SavedFile(), reports + QStringLiteral("/Клиенты.xls"));
    EXPECT_EQ(TestSupport::CellLines(TestSupport::ReadWorkbook(SavedFile()), 0).filter(QRegularExpression(QStringLiteral("^C\\d+ "))).size(), DemoRows);
    Env::ReportPath.clear();
    TRegistry().DeleteKey(Env::RegistryKeyRoot);
    Env::RegistryKeyRoot.clear();
}

TEST_P(DemoApplicationTest, TheWizardCreatesAnOrderWithAFreshKeyAndJournalsIt)
{
    StartSession(false);
    const qint64 lastKey = QueryValue("select ZNACHENIE from KLYUCHI where NAZVANIE = 'ZAKAZY'").toLongLong();
    TestSupport::Dialogs().QueueInputAnswer(true, QStringLiteral(" 5 "));
    const qint32 order = WizardManager::CallWizard(QStringLiteral("Новый заказ"));
    EXPECT_EQ(order, lastKey + 1);
    EXPECT_EQ(QueryValue("select ZNACHENIE from KLYUCHI where NAZVANIE = 'ZAKAZY'").toLongLong(), order);
    EXPECT_EQ(QueryValue(QStringLiteral("select KLIENT_ID from ZAKAZY where ID = %1").arg(order)).toLongLong(), 5);
    EXPECT_EQ(QueryValue(QStringLiteral("select STATUS from ZAKAZY where ID = %1").arg(order)).toString(), QStringLiteral("Новый"));
    EXPECT_TRUE(QueryValue(QStringLiteral("select NAZVANIE from ZAKAZY where ID = %1").arg(order))
                    .toString()
                    .startsWith(QStringLiteral("Заказ № %1 от ").arg(order, 6, 10, QLatin1Char('0'))));
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ZAKAZY_N where ID = %1").arg(order)), 1);

    // An unknown client, or a cancelled question, creates nothing and uses no key.
    TestSupport::Dialogs().QueueInputAnswer(true, QStringLiteral("999999"));
    TestSupport::Dialogs().QueueInputAnswer(false, QString());
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("Новый заказ")), 0);
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("Новый заказ")), 0);
    EXPECT_EQ(TestSupport::Dialogs().Messages().back(), QStringLiteral("Клиент с кодом 999999 не найден"));
    EXPECT_EQ(QueryValue("select ZNACHENIE from KLYUCHI where NAZVANIE = 'ZAKAZY'").toLongLong(), order);
    EXPECT_EQ(Count("select count(*) from ZAKAZY"), DemoRows + 1);
}

TEST_P(DemoApplicationTest, MessagesReachTheSubscribedEntitiesUntilTheyAreGone)
{
    StartSession(true);
    auto journal = NewClassNode("TOrdersClass", QString());
    auto lines = NewClassNode("TOrderLinesClass", QStringLiteral("ZAKAZ_ID=1"));
    TRecordClass* orders = journal.get();

    TestSupport::Dialogs().QueueInputAnswer(true, QStringLiteral("2"));
    const qint32 order = WizardManager::CallWizard(QStringLiteral("Новый заказ"));
    ASSERT_GT(order, 0);
    ASSERT_TRUE(ServeUntil([&] { return orders->ReceivedMessages == 1; }));
    EXPECT_EQ(orders->LastMessageText, QString::number(order));

    // Saving a stock row tells the order lines and the container of its warehouse.
    const qint64 warehouse = QueryValue("select SKLAD_ID from OSTATKI where ID = 1").toLongLong();
    std::unique_ptr<EClasses::TEntityContainer> stock(EClasses::CreateContainer(RegisteredClass("TStockContainer"), warehouse,
        QString(), QStringLiteral("!CT=OSTATKI&CK=SKLAD_ID&DT=TOVARY&FK=TOVAR_ID&")));
    auto row = NewInstance("TStockInstance", 1);
    row->Show();
    static_cast<TRecordForm*>(row->Form)->EditOf("KOLICHESTVO")->SetText(QStringLiteral("17"));
    row->Save();
    auto* stockNode = static_cast<DemoCoreClasses::TStockContainer*>(stock.get());
    ASSERT_TRUE(ServeUntil([&] { return lines->ReceivedMessages == 1 && stockNode->ReceivedMessages == 1; }));
    EXPECT_EQ(lines->LastMessageText, QString::number(warehouse));
    EXPECT_EQ(orders->ReceivedMessages, 1);

    // A destroyed entity is no subscriber any more: the next order reaches the new journal only.
    journal.reset();
    auto again = NewClassNode("TOrdersClass", QString());
    TestSupport::Dialogs().QueueInputAnswer(true, QStringLiteral("2"));
    ASSERT_GT(WizardManager::CallWizard(QStringLiteral("Новый заказ")), order);
    ASSERT_TRUE(ServeUntil([&] { return again->ReceivedMessages == 1; }));
}

TEST_P(DemoApplicationTest, TheReferenceServiceSaysWhetherItsRefreshWorked)
{
    StartSession(false);
    const int service = Env::Services->IndexOf(QStringLiteral("Справочники"));
    ASSERT_GE(service, 0);
    TMenuItem* item = Env::Services->ObjectAs<EClasses::TServiceInfo>(service)->MenuItem;
    item->Click();
    const qint64 statuses = Count("select count(distinct STATUS) from ZAKAZY where STATUS is not null");
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{QStringLiteral("Справочники обновлены: статусов заказов %1").arg(statuses)});

    TestSupport::Dialogs().Reset();
    ExecSQL("alter table ZAKAZY rename to ZAKAZY_OLD");
    item->Click();
    EXPECT_EQ(TestSupport::Dialogs().Messages(), (std::vector<QString>{QStringLiteral("Ошибка обновления классификатора Статусы заказов"),
                                                                     QStringLiteral("Справочники не обновлены: статусы заказов не прочитаны")}));
}

VELNOR_INSTANTIATE_DATABASE_TEST(DemoApplicationTest);

} // namespace
