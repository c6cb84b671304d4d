#pragma once
// The status bar: panels of fixed width side by side from the left, each showing a text;
// what does not fit is cut off at the bar's right edge.

#include "Controls.h"

#include <memory>
#include <vector>

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusBar;

class TStatusPanel : public TObject {
    VEL_DECLARE_CLASS(TStatusPanel, TObject)
public:
    QString Text() const;
    void SetText(const QString& Text);
    int Width() const { return FWidth; }
    void SetWidth(int Width);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Bevel);
    // The widget that shows the panel, for what is shown inside it (a progress bar).
    QLabel* Section() const { return FSection; }

    // Raised after every SetText, even when the text stays the same.
    TNotifyEvent OnChange;

private:
    friend class TStatusBar;
    explicit TStatusPanel(QLabel* Section);

    QLabel* FSection;
    int FWidth = 0;
    TStatusPanelBevel FBevel = pbNone;
};

class TStatusBar : public TWinControl<QWidget> {
    VEL_DECLARE_CLASS(TStatusBar, TComponent)
public:
    // A status bar along the bottom of Parent.
    TStatusBar(TComponent* AOwner, QWidget* Parent);
    ~TStatusBar() override;

    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    TStatusPanel* Panels(int Index) const;
    // Appends a panel (width 50, lowered).
    TStatusPanel* AddPanel();

    TNotifyEvent OnResize;
    TNotifyEvent OnDblClick;

    // Places the panels side by side at their widths.
    void ArrangePanels();

protected:
    void resizeEvent(QResizeEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
    std::vector<std::unique_ptr<TStatusPanel>> FPanels;
};
