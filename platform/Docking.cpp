#include "Docking.h"

#include "Align.h"

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
