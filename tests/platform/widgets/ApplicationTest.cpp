#include "Application.h"

#include "Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// The captions of the buttons of the modal dialog that is up; the dialog is then cancelled
// with the button captioned Cancel.
QStringList ButtonsOfTheModalDialog(const QString& Cancel)
{
    QStringList captions;
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog)
        return captions;
    QAbstractButton* cancel = nullptr;
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        const QString caption = button->text().remove(QLatin1Char('&'));
        captions.append(caption);
        if (caption == Cancel)
            cancel = button;
    }
    if (cancel)
        cancel->click();
    else
        dialog->close();
    return captions;
}

// The button captions of the real Qt dialog that Show puts up.
template <class F>
QStringList CaptionsOf(F Show)
{
    QStringList captions;
    QTimer::singleShot(0, [&] { captions = ButtonsOfTheModalDialog(QStringLiteral("Отмена")); });
    Show();
    captions.sort();
    return captions;
}

TEST(Application, QtDialogsSpeakRussianOnceQtsTranslationsAreLoaded)
{
    ASSERT_TRUE(Application::LoadQtTranslations()) << "qt6-translations-l10n is not installed";
    TQtDialogHost host;
    const QStringList question = CaptionsOf([&] {
        EXPECT_EQ(host.MessageDlg(QStringLiteral("Вопрос"), QStringLiteral("Сохранить?"), TMsgDlgType::mtConfirmation, mbYes | mbNo | mbCancel),
                  mrCancel);
    });
    EXPECT_EQ(question, (QStringList{QStringLiteral("Да"), QStringLiteral("Нет"), QStringLiteral("Отмена")}));

    QString value = QStringLiteral("прежнее");
    const QStringList input = CaptionsOf([&] { EXPECT_FALSE(host.InputQuery(QStringLiteral("Ввод"), QStringLiteral("Имя"), value)); });
    // Qt's Russian translation keeps "OK" as it is.
    EXPECT_EQ(input, (QStringList{QStringLiteral("OK"), QStringLiteral("Отмена")}));
    EXPECT_EQ(value, QStringLiteral("прежнее"));
}

// The system's texts break lines with line feed plus carriage return: a real box shows each
// such pair, either way round, as one break, while the text itself stays as it was given.
TEST(Application, QtBoxesShowTheSystemsLineBreakPairsAsOneBreak)
{
    TQtDialogHost host;
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->close();
        }
    });
    const QString text = QStringLiteral("Клиент(12:)\n\rКонтекст: _default\r\nКонец");
    host.MessageDlg(QStringLiteral("Сведения"), text, TMsgDlgType::mtCustom, mbOK);
    EXPECT_EQ(shown, QStringLiteral("Клиент(12:)\nКонтекст: _default\nКонец"));
    EXPECT_EQ(DisplayedText(QStringLiteral("a\n\nb\rc")), QStringLiteral("a\n\nb\nc"));
}

} // namespace
