#include "Exceptions.h"
#include "ListChooseDialog.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace ListChooseDialog;

QStringList Strings(std::initializer_list<const char*> Texts)
{
    QStringList list;
    for (const char* text : Texts)
        list.append(QString::fromUtf8(text));
    return list;
}

class ListChooseDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        Initialize();
        for (const QString& city : Strings({"Тверь", "Москва", "Подмосковье", "мОСКВОРЕЧЬЕ", "Нижний Новгород"}))
            FCities.Add(city);
    }
    void TearDown() override
    {
        ListDialog->FFilter = ListDialog->FCaseSensitive = ListDialog->FFromStart = ListDialog->FMultiFilter = false;
        Finalize();
    }

    // Shows the dialog over List with Value; While runs inside it; returns the chosen value.
    static QString Choose(TStringList* List, QString Value, const std::function<void(TListDialog*)>& While,
                          bool Sorted = true, TListProcessor* Processor = nullptr)
    {
        TestSupport::Dialogs().QueueModalAnswer([&While](TForm* Form) {
            While(static_cast<TListDialog*>(Form));
            return Form->ModalResult();
        });
        ListDialog->Show(QStringLiteral("Город"), List, Value, Sorted, Processor);
        return Value;
    }
    static QStringList Typed(TListDialog* Dialog, const QString& Text)
    {
        Dialog->Edit1->SetText(Text);
        return Dialog->ListBox1->Items();
    }

    TStringList FCities;
};

TEST_F(ListChooseDialogTest, TypingNarrowsTheListWithCyrillicCaseFoldingAndTheFromStartOption)
{
    ListDialog->FFilter = true;
    const QString chosen = Choose(&FCities, QStringLiteral("Тв"), [](TListDialog* Dialog) {
        EXPECT_EQ(Dialog->Caption(), QStringLiteral("Город"));
        EXPECT_EQ(Dialog->Edit1->Text(), QStringLiteral("Тв"));
        EXPECT_EQ(Dialog->ListBox1->Items(),
                  Strings({"Москва", "мОСКВОРЕЧЬЕ", "Нижний Новгород", "Подмосковье", "Тверь"}))
            << "the initial value does not filter; the list is sorted ignoring letter case";
        EXPECT_TRUE(Dialog->SpeedButton1->isHidden());

        EXPECT_EQ(Typed(Dialog, QStringLiteral("моск")), Strings({"Москва", "мОСКВОРЕЧЬЕ", "Подмосковье"}));
        ListDialog->FFromStart = true;
        EXPECT_EQ(Typed(Dialog, QStringLiteral("МОСК")), Strings({"Москва", "мОСКВОРЕЧЬЕ"}));
        ListDialog->FCaseSensitive = true;
        EXPECT_EQ(Typed(Dialog, QStringLiteral("Моск")), Strings({"Москва"}));
        ListDialog->FFromStart = false;
        EXPECT_EQ(Typed(Dialog, QStringLiteral("моск")), Strings({"Подмосковье"}));
        EXPECT_EQ(Typed(Dialog, QStringLiteral(" Тверь")), QStringList()) << "a single pattern is not trimmed";
        EXPECT_EQ(Typed(Dialog, QString()).size(), 5);

        ListDialog->FFilter = false;
        EXPECT_EQ(Typed(Dialog, QStringLiteral("москва")).size(), 5) << "without the filter typing changes nothing";
        Dialog->Button1->click();
    });
    EXPECT_EQ(chosen, QStringLiteral("москва")) << "a value of the list, whatever its letter case, is taken as typed";

    // Unsorted, the list keeps its own order.
    ListDialog->FFilter = true;
    ListDialog->FCaseSensitive = false;
    Choose(&FCities, QString(), [](TListDialog* Dialog) {
        EXPECT_EQ(Typed(Dialog, QStringLiteral("в")), Strings({"Тверь", "Москва", "Подмосковье", "мОСКВОРЕЧЬЕ", "Нижний Новгород"}));
    }, false);
}

TEST_F(ListChooseDialogTest, MultiPatternsMustAllOccurAndAnEmptyPatternMatchesNothing)
{
    EXPECT_EQ(SplitPatterns(QStringLiteral(" ab & cd ")), Strings({"ab", "cd"}));
    EXPECT_EQ(SplitPatterns(QStringLiteral("ab& ")), Strings({"ab"}));
    EXPECT_EQ(SplitPatterns(QStringLiteral("&ab")), Strings({"", "ab"}));
    EXPECT_EQ(SplitPatterns(QStringLiteral("ab& &cd")), Strings({"ab", "", "cd"}));

    TStringList streets;
    for (const QString& street : Strings({"Москва, ул. Тверская", "Тверь, ул. Московская", "Москва, ул. Арбат", "Тула"}))
        streets.Add(street);
    ListDialog->FFilter = ListDialog->FMultiFilter = true;
    ListDialog->FFromStart = true; // has no effect on several patterns
    Choose(&streets, QString(), [](TListDialog* Dialog) {
        EXPECT_EQ(Typed(Dialog, QStringLiteral("твер & МОСК")), Strings({"Москва, ул. Тверская", "Тверь, ул. Московская"}));
        EXPECT_EQ(Typed(Dialog, QStringLiteral("арбат&")), Strings({"Москва, ул. Арбат"}));
        EXPECT_EQ(Typed(Dialog, QStringLiteral("&арбат")), QStringList());
        EXPECT_EQ(Typed(Dialog, QStringLiteral("москва&&арбат")), QStringList());
        EXPECT_EQ(Typed(Dialog, QString()).size(), 4);
    });
}

TEST_F(ListChooseDialogTest, OnlyOkWithAValueOfTheListChoosesAndEscapeOrDoubleClickKeepTheDialogOpen)
{
    ListDialog->FFilter = true;
    EXPECT_EQ(Choose(&FCities, QStringLiteral("Тверь"), [](TListDialog* Dialog) { Dialog->Button2->click(); }), QString());
    EXPECT_EQ(Choose(&FCities, QStringLiteral("Тверь"), [](TListDialog* Dialog) {
        Dialog->Edit1->SetText(QStringLiteral("Тверская"));
        Dialog->Button1->click();
        EXPECT_EQ(Dialog->ModalResult(), mrCancel);
    }), QString());
    EXPECT_EQ(Choose(&FCities, QString(), [](TListDialog* Dialog) { Dialog->Button1->click(); }), QString());
    TStringList empty;
    EXPECT_EQ(Choose(&empty, QStringLiteral("Тверь"), [](TListDialog* Dialog) { Dialog->Button1->click(); }), QString());

    const QString chosen = Choose(&FCities, QString(), [](TListDialog* Dialog) {
        Dialog->ListBox1DblClick();
        EXPECT_EQ(Dialog->Edit1->Text(), QString()) << "nothing selected";
        EXPECT_EQ(Typed(Dialog, QStringLiteral("моск")).size(), 3);
        Dialog->ListBox1->setCurrentRow(2);
        emit Dialog->ListBox1->itemDoubleClicked(Dialog->ListBox1->item(2));
        EXPECT_EQ(Dialog->Edit1->Text(), QStringLiteral("Подмосковье"));
        EXPECT_EQ(Dialog->ListBox1->Items(), Strings({"Подмосковье"}));

        for (QWidget* target : {static_cast<QWidget*>(Dialog->ListBox1), static_cast<QWidget*>(Dialog->Edit1)}) {
            Dialog->Edit1->SetText(QStringLiteral("Тверь"));
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)));
            QCoreApplication::sendEvent(target, &escape);
            EXPECT_EQ(Dialog->Edit1->Text(), QString());
            EXPECT_EQ(Dialog->ListBox1->Items().size(), 5);
        }
        EXPECT_EQ(Dialog->ModalResult(), mrNone) << "Escape does not close the dialog";
        Dialog->Edit1->SetText(QStringLiteral("Тверь"));
        Dialog->Button1->click();
    });
    EXPECT_EQ(chosen, QStringLiteral("Тверь"));
}

// Finds the cities that contain the typed text in a larger catalogue, as a database search would.
class TCitySearch : public TListProcessor {
public:
    TCitySearch(TStringList* Target, bool Fails) : FTarget(Target), FFails(Fails) {}
    void Process(const QString& Text) override
    {
        ++Calls;
        if (FFails)
            throw EDatabaseError(QStringLiteral("нет связи"));
        FTarget->Clear();
        for (const QString& city : Strings({"Верхний Уфалей", "Уфа", "Тверь"}))
            if (city.contains(Text, Qt::CaseInsensitive))
                FTarget->Add(city);
    }
    int Calls = 0;

private:
    TStringList* FTarget;
    bool FFails;
};

TEST_F(ListChooseDialogTest, TheProcessorRefillsTheListAndItsFailureIsReportedWithTheDialogOpen)
{
    TCitySearch search(&FCities, false);
    const QString chosen = Choose(&FCities, QString(), [](TListDialog* Dialog) {
        EXPECT_FALSE(Dialog->SpeedButton1->isHidden());
        Dialog->Edit1->SetText(QStringLiteral("уфа"));
        Dialog->SpeedButton1->click();
        EXPECT_EQ(Dialog->ListBox1->Items(), Strings({"Верхний Уфалей", "Уфа"}));
        Dialog->Edit1->SetText(QStringLiteral("Уфа"));
        EXPECT_EQ(Dialog->ListBox1->Items(), Strings({"Верхний Уфалей", "Уфа"})) << "the filter is off";
        Dialog->Button1->click();
    }, true, &search);
    EXPECT_EQ(search.Calls, 1);
    EXPECT_EQ(chosen, QStringLiteral("Уфа")) << "a value of the refilled list";

    TCitySearch failing(&FCities, true);
    Choose(&FCities, QString(), [](TListDialog* Dialog) {
        Dialog->SpeedButton1->click();
        EXPECT_EQ(Dialog->ModalResult(), mrNone);
        EXPECT_EQ(Dialog->ListBox1->Items().size(), 2);
    }, true, &failing);
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>({QStringLiteral("Error while calling")}));
}

} // namespace
