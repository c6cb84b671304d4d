#include "Application.h"
#include "StatusBar.h"
#include "StatusProgress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

void Click(QWidget* Widget)
{
    const QPointF centre = QRectF(Widget->rect()).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, centre, Widget->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Widget, &event);
    }
}

void PressEscape(QWidget* Widget)
{
    QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(Widget, &event);
}

} // namespace

// While long work holds the user's input back, «Прервать» and Esc (anywhere) still ask it to
// stop, and nothing else takes a click; once the bar is gone Esc is the window's again.
TEST(StatusProgress, TheButtonAndEscGetThroughHeldInputAndNothingElse)
{
    QWidget window;
    auto* other = new QPushButton(QStringLiteral("Другая"), &window);
    TStatusBar bar(nullptr, &window);
    TStatusPanel* panel = bar.AddPanel();
    panel->SetWidth(400);
    window.resize(500, 100);
    window.show();
    int stops = 0;
    int otherClicks = 0;
    QObject::connect(other, &QPushButton::clicked, [&] { ++otherClicks; });
    {
        Application::TUserInputLock lock;
        auto progress = std::make_unique<TStatusProgress>(panel);
        progress->OnCancel = [&] { ++stops; };
        progress->SetProgress(250, 1000);
        Click(progress->CancelButton());
        Click(other);
        PressEscape(other);
        EXPECT_EQ(stops, 2);
        EXPECT_EQ(otherClicks, 0);
        EXPECT_TRUE(progress->CancelButton()->isVisible());
        progress.reset();
        PressEscape(other);
        EXPECT_EQ(stops, 2);
    }
    Click(other);
    EXPECT_EQ(otherClicks, 1);
}
