#pragma once
// Docking of forms and tab sheets into dock sites and undocking them to floating windows.
// Any widget is a dock site: a docked control becomes its child and is placed by its align
// layout. A widget that implements TDockSite (the page control) hosts its clients itself.

#include <QList>
#include <QRect>

class QWidget;

class TDockSite {
public:
    virtual ~TDockSite() = default;
    virtual void InsertDockClient(QWidget* Control) = 0;
    virtual void RemoveDockClient(QWidget* Control) = 0;
    virtual QList<QWidget*> DockClientList() const = 0;
};

// Docks Control into Site (undocking it from where it was docked before) and shows it.
void DockControl(QWidget* Control, QWidget* Site);
// Undocks Control: it leaves its site and becomes a hidden window with the geometry Rect.
void FloatControl(QWidget* Control, const QRect& Rect);
// The site Control is docked in, or nullptr.
QWidget* HostDockSite(const QWidget* Control);
// The controls docked in Site, in the order they were docked.
QList<QWidget*> DockClients(const QWidget* Site);
