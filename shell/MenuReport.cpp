#include "MenuReport.h"

#include "Dialogs.h"
#include "Forms.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>

#include <cstdio>

namespace MenuReport {

namespace {

QString ReportFile()
{
    return qEnvironmentVariable("VELNOR_MENU_REPORT");
}

// Answers the program's dialogs while nobody is there to do it.
class THeadlessDialogHost : public TDialogHost {
public:
    int MessageDlg(const QString& Caption, const QString& Text, TMsgDlgType, TMsgDlgButtons Buttons) override
    {
        std::fprintf(stderr, "velnor07: %s: %s\n", qUtf8Printable(Caption), qUtf8Printable(Text));
        for (const auto& [button, result] : {std::pair{mbOK, mrOk}, {mbYes, mrYes}, {mbNo, mrNo}, {mbCancel, mrCancel}})
            if (Buttons & button)
                return result;
        return mrCancel;
    }
    bool InputQuery(const QString&, const QString&, QString&) override { return false; }
    int ShowModal(TForm*) override { return mrOk; }
};

// The visible entries of Actions as the toolkit shows them, sub-menus below their item.
void AddActions(const QList<QAction*>& Actions, const QString& Indent, QStringList& Lines)
{
    for (const QAction* action : Actions) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        Lines.append(Indent + action->text());
        if (action->menu())
            AddActions(action->menu()->actions(), Indent + QStringLiteral("  "), Lines);
    }
}

bool WriteReport(const QString& FileName, const QStringList& Lines)
{
    QSaveFile file(FileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Text) && file.write((Lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) >= 0
        && file.commit();
}

} // namespace

void PrepareIfAsked()
{
    if (ReportFile().isEmpty())
        return;
    static THeadlessDialogHost host;
    SetDialogHost(&host);
}

void WriteIfAsked(TForm* MainForm)
{
    const QString fileName = ReportFile();
    if (fileName.isEmpty())
        return;
    QStringList lines;
    if (const auto* bar = MainForm->findChild<QMenuBar*>())
        AddActions(bar->actions(), QString(), lines);
    if (!WriteReport(fileName, lines))
        std::fprintf(stderr, "velnor07: не удалось записать отчёт о меню в %s\n", qUtf8Printable(fileName));
    QMetaObject::invokeMethod(MainForm, [MainForm] { MainForm->Close(); }, Qt::QueuedConnection);
}

} // namespace MenuReport
