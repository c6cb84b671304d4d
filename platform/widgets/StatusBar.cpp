#include "StatusBar.h"

#include "Application.h"
#include "Exceptions.h"


VEL_IMPLEMENT_CLASS(TStatusPanel)
VEL_IMPLEMENT_CLASS(TStatusBar)

TStatusPanel::TStatusPanel(QLabel* Section)
    : FSection(Section)
{
}

QString TStatusPanel::Text() const
{
    return FSection->text();
}

void TStatusPanel::SetText(const QString& Text)
{
    FSection->setText(Text);
    if (OnChange)
        OnChange(this);
}

void TStatusPanel::SetWidth(int Width)
{
    FWidth = qMax(0, Width);
    if (auto* bar = dynamic_cast<TStatusBar*>(FSection->parentWidget()))
        bar->ArrangePanels();
}

void TStatusPanel::SetBevel(TStatusPanelBevel Bevel)
{
    FBevel = Bevel;
    switch (Bevel) {
    case pbNone: FSection->setFrameStyle(QFrame::NoFrame); break;
    case pbLowered: FSection->setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
    case pbRaised: FSection->setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    }
}

TStatusBar::TStatusBar(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
    setFixedHeight(fontMetrics().height() + 8);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

TStatusPanel* TStatusBar::Panels(int Index) const
{
    if (Index < 0 || Index >= PanelCount())
        throw EListError(QStringLiteral("Индекс панели вне диапазона (%1)").arg(Index));
    return FPanels[Index].get();
}

TStatusPanel* TStatusBar::AddPanel()
{
    auto* section = new QLabel(this);
    section->setTextFormat(Qt::PlainText);
    FPanels.push_back(std::unique_ptr<TStatusPanel>(new TStatusPanel(section)));
    TStatusPanel* panel = FPanels.back().get();
    panel->SetWidth(50);
    panel->SetBevel(pbLowered);
    section->show();
    return panel;
}

void TStatusBar::ArrangePanels()
{
    int left = 0;
    for (const auto& panel : FPanels) {
        panel->FSection->setGeometry(left, 2, panel->Width(), height() - 2);
        left += panel->Width();
    }
}

void TStatusBar::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    ArrangePanels();
    if (OnResize)
        Application::Guarded([this] { OnResize(this); });
}

void TStatusBar::mouseDoubleClickEvent(QMouseEvent* Event)
{
    QWidget::mouseDoubleClickEvent(Event);
    if (OnDblClick)
        Application::Guarded([this] { OnDblClick(this); });
}
