// The navigator's history: the nodes the user left, back and forward as in a browser.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Controls.h"
#include "Dialogs.h"
#include "Exceptions.h"

namespace TestNav {

void TTestNavigator::PushHistory(TStringList* Stack, TTreeNode* Node)
{
    Stack->AddObject(Node->Text(), new TNodeInfo(Node->ItemId(), Node->Expanded()));
}

void TTestNavigator::AddNodeToHistory(TTreeNode* Node)
{
    PushHistory(FBackHistory, Node);
    SpeedButton1->SetEnabled(true);
    for (int i = 0; i < FForwardHistory->Count(); ++i)
        delete FForwardHistory->Objects(i);
    FForwardHistory->Clear();
    SpeedButton2->SetEnabled(false);
}

void TTestNavigator::BackByHistory()
{
    StepThroughHistory(FBackHistory, FForwardHistory);
}

void TTestNavigator::ForwardByHistory()
{
    StepThroughHistory(FForwardHistory, FBackHistory);
}

// Leaves the selected node on To and returns to the top node of From, with the expanded
// state it had when it was left.
void TTestNavigator::StepThroughHistory(TStringList* From, TStringList* To)
{
    if (From->IsEmpty())
        return;
    TTreeOperation operation;
    if (TTreeNode* current = GetCurrentNode())
        PushHistory(To, current);
    const int top = From->Count() - 1;
    auto* entry = From->ObjectAs<TNodeInfo>(top);
    const qint64 item = entry->Item;
    const bool expanded = entry->Expanded;
    delete entry;
    From->Delete(top);
    try {
        TTreeNode* node = TreeView1->Items()->FindByItemId(item);
        if (!node)
            throw Exception(QStringLiteral("Узла больше нет"));
        if (expanded)
            node->Expand(false);
        else
            node->Collapse(false);
        ActivateNode(node);
    } catch (...) {
        ShowMessage(QStringLiteral("Предупреждение: объект из истории переходов был удален."));
    }
    UpdateHistoryButtons();
}

void TTestNavigator::UpdateHistoryButtons()
{
    SpeedButton2->SetEnabled(!FForwardHistory->IsEmpty());
    SpeedButton1->SetEnabled(!FBackHistory->IsEmpty());
}

void TTestNavigator::SpeedButton1Click(TObject*)
{
    BackByHistory();
}

void TTestNavigator::SpeedButton2Click(TObject*)
{
    ForwardByHistory();
}

} // namespace TestNav
