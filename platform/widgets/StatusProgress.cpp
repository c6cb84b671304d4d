#include "StatusProgress.h"

#include "Application.h"
#include "StatusBar.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include <limits>

namespace {

// The bar's range is an int: larger counts are shown in proportion.
int BarValue(qint64 Value, qint64 Total)
{
    constexpr qint64 limit = std::numeric_limits<int>::max();
    return Total <= limit ? static_cast<int>(Value) : static_cast<int>(Value * limit / Total);
}

QString CountText(qint64 Done, qint64 Total)
{
    // Digits grouped as the program's Russian texts group them.
    const QLocale locale(QLocale::Russian, QLocale::Russia);
    return Total < 0 ? locale.toString(Done) : locale.toString(Done) + QStringLiteral(" из ") + locale.toString(Total);
}

} // namespace

TStatusProgress::TStatusProgress(TStatusPanel* Panel)
    : FSection(Panel->Section()), FBox(new QWidget(FSection)), FBar(new QProgressBar(FBox)), FCount(new QLabel(FBox)),
      FButton(new QPushButton(QStringLiteral("Прервать"), FBox))
{
    FBox->setObjectName(QStringLiteral("StatusProgress"));
    auto* layout = new QHBoxLayout(FBox);
    layout->setContentsMargins(0, 0, 2, 0);
    layout->setSpacing(4);
    FBar->setTextVisible(false);
    FBar->setFixedWidth(120);
    FBar->setFixedHeight(FSection->height() - 4);
    FButton->setFixedHeight(FSection->height() - 2);
    FButton->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(FCount);
    layout->addWidget(FBar);
    layout->addWidget(FButton);
    QObject::connect(FButton, &QPushButton::clicked, this, [this] { Cancel(); });
    Application::TUserInputLock::Admit(FButton);
    FSection->installEventFilter(this);
    qApp->installEventFilter(this);
    Place();
    FBox->show();
}

TStatusProgress::~TStatusProgress()
{
    Application::TUserInputLock::Shut(FButton);
    delete FBox;
}

void TStatusProgress::SetProgress(qint64 Done, qint64 Total)
{
    FBar->setRange(0, Total < 0 ? 0 : BarValue(Total, Total));
    FBar->setValue(Total < 0 ? 0 : BarValue(Done, Total));
    FCount->setText(CountText(Done, Total));
    Place();
}

// At the right end of the panel, as wide as it needs.
void TStatusProgress::Place()
{
    const QSize size = FBox->sizeHint();
    FBox->setGeometry(std::max(0, FSection->width() - size.width()), 0, size.width(), FSection->height());
}

void TStatusProgress::Cancel()
{
    if (OnCancel)
        OnCancel();
}

bool TStatusProgress::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FSection && Event->type() == QEvent::Resize)
        Place();
    if (Event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(Event)->key() != Qt::Key_Escape
        || QApplication::activeModalWidget() || !Watched->isWidgetType())
        return false;
    Cancel();
    return true;
}
