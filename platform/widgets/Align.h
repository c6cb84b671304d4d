#pragma once
// Alignment of controls inside their parent. A control aligned to a side keeps its extent
// across that side (its height for top and bottom, its width for left and right) and takes
// the whole length of the side; a client-aligned control fills what is left. Controls
// without alignment keep the position and size they were given.

#include <QLayout>
#include <QList>

class QWidget;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

TAlign ControlAlign(const QWidget* Control);
void SetControlAlign(QWidget* Control, TAlign Align);

// The layout of every form, panel and tab sheet: places its widgets by their alignment,
// first the top, then the bottom, left and right ones in the order they were added, then
// the client-aligned ones in the space that is left.
class TAlignLayout : public QLayout {
public:
    explicit TAlignLayout(QWidget* Parent);
    ~TAlignLayout() override;

    void addItem(QLayoutItem* Item) override;
    int count() const override;
    QLayoutItem* itemAt(int Index) const override;
    QLayoutItem* takeAt(int Index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& Rect) override;

private:
    void PlaceItems(TAlign Align, QRect& Free) const;

    QList<QLayoutItem*> FItems;
};

// The align layout of Parent, created when Parent has no layout yet; nullptr when Parent
// already has a layout of another kind.
TAlignLayout* AlignLayoutOf(QWidget* Parent);

// Makes Control a child of Parent, placed by Parent's align layout.
void InsertControl(QWidget* Parent, QWidget* Control);
