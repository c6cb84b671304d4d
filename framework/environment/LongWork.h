#pragma once
// Long work on the main thread that shows how far it is and can be stopped: after about half
// a second a progress bar with the count and a button «Прервать» appears in the status bar
// beside the progress text (Esc does what the button does), and the screen is repainted at
// least every PaintEveryMs while the work goes on. The work counts its rows with Step and
// stops at the row where Step answers false. User input stays held back by the work itself
// (Application::TUserInputLock) while it runs; only the button and Esc get through.
//
// Work started while other work runs is part of it: it shows its own count in the same bar,
// and a request to stop ends both.

#include "Application.h"

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

#include <memory>

class TStatusProgress;

namespace LongWork {

// Whether long work shows its bar and can be stopped by the user. Switched off, work runs
// to its end as it always did, without letting messages run in its middle.
extern bool Enabled;

// Work that lasts longer than this shows its bar.
inline constexpr int ShowAfterMs = 500;
// Work lets the screen repaint (and the button be clicked) this often.
inline constexpr int PaintEveryMs = 25;

class TLongWork {
public:
    // Total: the rows the work will do, below zero when not known.
    explicit TLongWork(qint64 Total = -1);
    ~TLongWork();
    TLongWork(const TLongWork&) = delete;
    TLongWork& operator=(const TLongWork&) = delete;

    // One more row done; false once a stop was asked for: the work stops at this row.
    bool Step()
    {
        ++FDone;
        if (--FCountdown > 0)
            return !Stopped();
        return Poll();
    }
    // Repaints when it is due (for work that waits rather than counts rows); false once a stop
    // was asked for.
    bool Poll();

    qint64 Done() const { return FDone; }
    qint64 Total() const { return FTotal; }
    bool Stopped() const;
    // Asks the work (and the work it is part of) to stop, as «Прервать» does.
    void Stop();
    // What the status panel says when the work this is part of has ended after a stop.
    void SetStoppedText(const QString& Text);

    // The innermost work under way, or null.
    static TLongWork* Current() { return FCurrent; }
    // One more row of the work under way, if any; false once a stop was asked for.
    static bool StepCurrent() { return !FCurrent || FCurrent->Step(); }
    // Whether a stop was asked for the work under way.
    static bool StopAsked() { return FCurrent && FCurrent->Stopped(); }

private:
    static constexpr int RowsPerCheck = 32;

    void Paint();

    static TLongWork* FCurrent;
    // The user's input is held back while the work lets messages run.
    Application::TUserInputLock FLock;
    TLongWork* FOuter;
    TLongWork* FRoot;
    qint64 FDone = 0;
    qint64 FTotal;
    int FCountdown = RowsPerCheck;
    // Kept by the outermost work only.
    bool FStopAsked = false;
    QString FStoppedText;
    QElapsedTimer FStarted;
    QElapsedTimer FSincePaint;
    std::unique_ptr<TStatusProgress> FBar;
};

} // namespace LongWork
