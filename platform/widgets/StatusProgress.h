#pragma once
// A progress bar with the count done (and the total when it is known) and a button
// «Прервать», shown at the right end of a status panel, beside the panel's text. The button
// and Esc take the user's input even while long work holds it back, and report a request to
// stop through OnCancel.

#include <QObject>
#include <QtGlobal>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class TStatusPanel;

class TStatusProgress : public QObject {
public:
    explicit TStatusProgress(TStatusPanel* Panel);
    ~TStatusProgress() override;
    TStatusProgress(const TStatusProgress&) = delete;
    TStatusProgress& operator=(const TStatusProgress&) = delete;

    // Done of Total; a Total below zero is not known: the bar then only runs.
    void SetProgress(qint64 Done, qint64 Total);
    QPushButton* CancelButton() const { return FButton; }

    // The button was clicked or Esc pressed (outside a modal dialog).
    std::function<void()> OnCancel;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Place();
    void Cancel();

    QLabel* FSection;
    QWidget* FBox;
    QProgressBar* FBar;
    QLabel* FCount;
    QPushButton* FButton;
};
