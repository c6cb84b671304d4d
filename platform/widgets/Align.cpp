#include "Align.h"

#include <QVariant>
#include <QWidget>

namespace {

const char* const AlignProperty = "velAlign";

} // namespace

TAlign ControlAlign(const QWidget* Control)
{
    return static_cast<TAlign>(Control->property(AlignProperty).toInt());
}

void SetControlAlign(QWidget* Control, TAlign Align)
{
    Control->setProperty(AlignProperty, static_cast<int>(Align));
    if (QWidget* parent = Control->parentWidget())
        if (QLayout* layout = parent->layout())
            layout->invalidate();
}

TAlignLayout::TAlignLayout(QWidget* Parent)
    : QLayout(Parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

TAlignLayout::~TAlignLayout()
{
    qDeleteAll(FItems);
}

void TAlignLayout::addItem(QLayoutItem* Item)
{
    FItems.append(Item);
}

int TAlignLayout::count() const
{
    return static_cast<int>(FItems.size());
}

QLayoutItem* TAlignLayout::itemAt(int Index) const
{
    return FItems.value(Index);
}

QLayoutItem* TAlignLayout::takeAt(int Index)
{
    return Index >= 0 && Index < FItems.size() ? FItems.takeAt(Index) : nullptr;
}

QSize TAlignLayout::sizeHint() const
{
    return minimumSize();
}

QSize TAlignLayout::minimumSize() const
{
    return QSize(0, 0);
}

void TAlignLayout::setGeometry(const QRect& Rect)
{
    QLayout::setGeometry(Rect);
    QRect free = Rect;
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient})
        PlaceItems(align, free);
}

void TAlignLayout::PlaceItems(TAlign Align, QRect& Free) const
{
    for (QLayoutItem* item : FItems) {
        QWidget* widget = item->widget();
        if (!widget || item->isEmpty() || ControlAlign(widget) != Align)
            continue;
        switch (Align) {
        case alTop:
            widget->setGeometry(Free.left(), Free.top(), Free.width(), widget->height());
            Free.setTop(Free.top() + widget->height());
            break;
        case alBottom:
            widget->setGeometry(Free.left(), Free.bottom() + 1 - widget->height(), Free.width(), widget->height());
            Free.setBottom(Free.bottom() - widget->height());
            break;
        case alLeft:
            widget->setGeometry(Free.left(), Free.top(), widget->width(), Free.height());
            Free.setLeft(Free.left() + widget->width());
            break;
        case alRight:
            widget->setGeometry(Free.right() + 1 - widget->width(), Free.top(), widget->width(), Free.height());
            Free.setRight(Free.right() - widget->width());
            break;
        case alClient:
            widget->setGeometry(Free);
            break;
        case alNone:
            break;
        }
    }
}

TAlignLayout* AlignLayoutOf(QWidget* Parent)
{
    if (!Parent->layout())
        return new TAlignLayout(Parent);
    return dynamic_cast<TAlignLayout*>(Parent->layout());
}

void InsertControl(QWidget* Parent, QWidget* Control)
{
    Control->setParent(Parent);
    if (TAlignLayout* layout = AlignLayoutOf(Parent))
        layout->addWidget(Control);
}
