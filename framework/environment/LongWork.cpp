#include "LongWork.h"

#include "Application.h"
#include "Env.h"
#include "StatusProgress.h"

namespace LongWork {

bool Enabled = true;

TLongWork* TLongWork::FCurrent = nullptr;

TLongWork::TLongWork(qint64 Total)
    : FOuter(FCurrent), FRoot(FOuter ? FOuter->FRoot : this), FTotal(Total)
{
    FCurrent = this;
    if (FRoot == this) {
        FStarted.start();
        FSincePaint.start();
    }
}

TLongWork::~TLongWork()
{
    FCurrent = FOuter;
    if (FRoot != this)
        return;
    FBar.reset();
    if (FStopAsked && !FStoppedText.isEmpty())
        Env::ShowProgress(FStoppedText);
}

bool TLongWork::Stopped() const
{
    return FRoot->FStopAsked;
}

void TLongWork::Stop()
{
    FRoot->FStopAsked = true;
}

void TLongWork::SetStoppedText(const QString& Text)
{
    FRoot->FStoppedText = Text;
}

bool TLongWork::Poll()
{
    FCountdown = RowsPerCheck;
    if (Enabled && !Stopped() && FRoot->FSincePaint.elapsed() >= PaintEveryMs)
        Paint();
    return !Stopped();
}

// Shows the bar once the work has lasted long enough, with this work's count, and lets the
// application paint and take the button's click or Esc.
void TLongWork::Paint()
{
    TLongWork& root = *FRoot;
    root.FSincePaint.restart();
    if (!root.FBar && Env::MessagePanel && root.FStarted.elapsed() >= ShowAfterMs) {
        root.FBar = std::make_unique<TStatusProgress>(Env::MessagePanel);
        root.FBar->OnCancel = [&root] { root.Stop(); };
    }
    if (root.FBar)
        root.FBar->SetProgress(FDone, FTotal);
    Application::ProcessMessages();
}

} // namespace LongWork
