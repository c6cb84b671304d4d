#include "Docking.h"

#include "Align.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace {

const char* const HostProperty = "velHostDockSite";

const QObject* RecordedHost(const QWidget* Control)
{
    return Control->property(HostProperty).value<QObject*>();
}

void RecordHost(QWidget* Control, QWidget* Site)
{
    Control->setProperty(HostProperty, QVariant::fromValue<QObject*>(Site));
}

bool IsWithin(const QWidget* Widget, const QWidget* Control)
{
    return Widget && (Widget == Control || Control->isAncestorOf(Widget));
}

// Takes the focus out of Control before it changes windows. A window remembers the widget
// that last had the focus in it; once that widget has moved to another window, the old
// window would keep naming it, and use it after it is destroyed (a package unloads its forms
// long before the main window goes).
void ReleaseFocusWithin(QWidget* Control)
{
    if (Control->isWindow())
        return;
    if (QWidget* focus = QApplication::focusWidget(); IsWithin(focus, Control))
        focus->clearFocus();
    if (QWidget* remembered = Control->window()->focusWidget(); IsWithin(remembered, Control))
        remembered->clearFocus();
}

void RemoveFromSite(QWidget* Control, QWidget* Site)
{
    if (auto* site = dynamic_cast<TDockSite*>(Site))
        site->RemoveDockClient(Control);
    else if (QLayout* layout = Site->layout())
        layout->removeWidget(Control);
}

} // namespace

void DockControl(QWidget* Control, QWidget* Site)
{
    if (QWidget* previous = HostDockSite(Control))
        RemoveFromSite(Control, previous);
    ReleaseFocusWithin(Control);
    RecordHost(Control, Site);
    // A site of its own (a page control) decides which of its clients show: a page docked
    // behind the active one must stay hidden.
    if (auto* site = dynamic_cast<TDockSite*>(Site)) {
        site->InsertDockClient(Control);
        return;
    }
    Control->setParent(Site, Qt::Widget);
    if (TAlignLayout* layout = AlignLayoutOf(Site))
        layout->addWidget(Control);
    Control->show();
}

void FloatControl(QWidget* Control, const QRect& Rect)
{
    if (QWidget* site = HostDockSite(Control))
        RemoveFromSite(Control, site);
    RecordHost(Control, nullptr);
    ReleaseFocusWithin(Control);
    Control->hide();
    Control->setParent(nullptr, Qt::Window);
    Control->setGeometry(Rect);
}

QWidget* HostDockSite(const QWidget* Control)
{
    // The recorded site is trusted only while it is still an ancestor of the control, so a
    // control that was moved elsewhere since never answers with a stale site.
    const QObject* recorded = RecordedHost(Control);
    if (!recorded)
        return nullptr;
    for (QWidget* ancestor = Control->parentWidget(); ancestor; ancestor = ancestor->parentWidget())
        if (ancestor == recorded)
            return ancestor;
    return nullptr;
}

QList<QWidget*> DockClients(const QWidget* Site)
{
    if (auto* site = dynamic_cast<const TDockSite*>(Site))
        return site->DockClientList();
    QList<QWidget*> clients;
    for (QWidget* child : Site->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (HostDockSite(child) == Site)
            clients.append(child);
    return clients;
}
