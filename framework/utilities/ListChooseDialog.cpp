#include "ListChooseDialog.h"

#include "Exceptions.h"
#include "UnitLifetime.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

namespace ListChooseDialog {

VEL_IMPLEMENT_CLASS(TListProcessor)
VEL_IMPLEMENT_CLASS(TListDialog)

TListDialog* ListDialog = nullptr;

namespace {

// Runs Step and lets a failure pass: the dialog is shown with whatever was set.
template <class Step>
void IgnoringFailures(Step&& step)
{
    try {
        step();
    } catch (...) {
    }
}

TPanel* BarPanel(TComponent* Owner, QWidget* Parent, TAlign Align)
{
    auto* panel = new TPanel(Owner, Parent);
    panel->SetBevelOuter(bvNone);
    panel->SetAlign(Align);
    panel->setFixedHeight(Align == alTop ? 29 : 41);
    return panel;
}

} // namespace

TListDialog::TListDialog(TComponent* AOwner)
    : TForm(AOwner)
{
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    resize(335, 433);
    move(QGuiApplication::primaryScreen()->availableGeometry().center() - rect().center());

    TPanel* top = BarPanel(this, this, alTop);
    TPanel* bottom = BarPanel(this, this, alBottom);
    Edit1 = new TEdit(this, top);
    SpeedButton1 = new TButton(this, top);
    ListBox1 = new TListBox(this, this);
    // Right-aligned controls stand from the right edge in the order they are made:
    // "Параметры...", "Ok", "Отмена" from left to right.
    Button2 = new TButton(this, bottom);
    Button1 = new TButton(this, bottom);
    Button3 = new TButton(this, bottom);

    Edit1->SetAlign(alClient);
    SpeedButton1->SetAlign(alRight);
    SpeedButton1->setFixedWidth(29);
    SpeedButton1->setFlat(true);
    SpeedButton1->SetCaption(QStringLiteral("..."));
    SpeedButton1->setToolTip(QStringLiteral("Искать"));
    SpeedButton1->Hide();
    ListBox1->SetAlign(alClient);
    for (TButton* button : {Button2, Button1, Button3}) {
        button->SetAlign(alRight);
        button->setFixedWidth(button == Button3 ? 90 : 75);
    }
    Button1->SetCaption(QStringLiteral("Ok"));
    Button1->SetDefault(true);
    Button2->SetCaption(QStringLiteral("Отмена"));
    Button2->SetModalResult(mrCancel);
    Button3->SetCaption(QStringLiteral("Параметры..."));
    Button3->Hide();

    QObject::connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
    QObject::connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { ListBox1DblClick(); });
    Button1->OnClick = [this](TObject*) { Button1Click(); };
    SpeedButton1->OnClick = [this](TObject*) { SpeedButton1Click(); };
    Edit1->installEventFilter(this);
    ListBox1->installEventFilter(this);
}

void TListDialog::Show(const QString& Caption, TStringList* List, QString& Value, bool Sorted, TListProcessor* Processor)
{
    FUpdating = true;
    IgnoringFailures([&] {
        SetCaption(Caption);
        Edit1->SetText(Value);
    });
    FSourceList = List;
    FProcessor = Processor;
    SpeedButton1->setVisible(Processor != nullptr);
    IgnoringFailures([&] {
        FSorted = Sorted;
        LoadItems(List);
        ShowAllItems();
    });
    PrepareParams();
    FUpdating = false;
    Value = ShowModal() == mrOk ? Edit1->Text() : QString();
}

// The list's strings, with their upper-cased copies made once here instead of at every
// keystroke, in the order the list box shows them.
void TListDialog::LoadItems(TStringList* List)
{
    FItemsList = List;
    FShown.clear();
    FItems.clear();
    if (!List)
        return;
    FItems.reserve(static_cast<size_t>(List->Count()));
    for (int i = 0; i < List->Count(); ++i)
        FItems.push_back({List->Strings(i), List->Strings(i).toUpper()});
    if (FSorted)
        std::stable_sort(FItems.begin(), FItems.end(), [](const TItem& A, const TItem& B) {
            return TStringList::CompareText(A.Text, B.Text) < 0;
        });
}

// A list box that already shows Items is left as it is (a keystroke that keeps the same
// matches costs no refill, and the user's place in the list stays).
void TListDialog::ShowItems(const std::vector<const TItem*>& Items)
{
    FNarrowed.Valid = false;
    if (Items == FShown && ListBox1->count() == static_cast<int>(Items.size()))
        return;
    FShown = Items;
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(Items.size()));
    for (const TItem* item : Items)
        texts.append(item->Text);
    ListBox1->setUpdatesEnabled(false);
    ListBox1->SetItems(texts);
    ListBox1->setUpdatesEnabled(true);
}

void TListDialog::ShowAllItems()
{
    std::vector<const TItem*> all;
    all.reserve(FItems.size());
    for (const TItem& item : FItems)
        all.push_back(&item);
    ShowItems(all);
}

void TListDialog::Edit1Change()
{
    if (FUpdating || !FFilter)
        return;
    const QString text = Edit1->Text();
    if (text.isEmpty())
        ShowAllItems();
    else if (FMultiFilter)
        FilterMulti(text);
    else
        FilterSingle(text);
}

// A pattern that holds the previous one (or, from the start, begins with it) can only keep
// what the previous one kept: typing on searches the shown matches, not the whole list.
void TListDialog::FilterSingle(const QString& Text)
{
    const QString pattern = Comparable(Text);
    const bool narrowing = FNarrowed.Valid && FNarrowed.CaseSensitive == FCaseSensitive && FNarrowed.FromStart == FFromStart
                        && (FFromStart ? pattern.startsWith(FNarrowed.Pattern) : pattern.contains(FNarrowed.Pattern));
    std::vector<const TItem*> candidates;
    if (!narrowing)
        for (const TItem& item : FItems)
            candidates.push_back(&item);
    std::vector<const TItem*> kept;
    for (const TItem* item : narrowing ? FShown : candidates) {
        const QString& candidate = Comparable(*item);
        if (FFromStart ? candidate.startsWith(pattern) : candidate.contains(pattern))
            kept.push_back(item);
    }
    ShowItems(kept);
    FNarrowed = {true, pattern, FCaseSensitive, FFromStart};
}

// An empty pattern is found in no item, so "&" at the start or "&&" empties the list.
void TListDialog::FilterMulti(const QString& Text)
{
    QStringList patterns = SplitPatterns(Text);
    for (QString& pattern : patterns)
        pattern = Comparable(pattern);
    std::vector<const TItem*> kept;
    for (const TItem& item : FItems) {
        const QString& candidate = Comparable(item);
        if (std::all_of(patterns.cbegin(), patterns.cend(), [&candidate](const QString& Pattern) {
                return !Pattern.isEmpty() && candidate.contains(Pattern);
            }))
            kept.push_back(&item);
    }
    ShowItems(kept);
}

QStringList SplitPatterns(const QString& Text)
{
    QStringList patterns = Text.split(QLatin1Char('&'));
    if (patterns.last().trimmed().isEmpty())
        patterns.removeLast();
    for (QString& pattern : patterns)
        pattern = pattern.trimmed();
    return patterns;
}

void TListDialog::Edit1KeyPress(QChar& Key)
{
    if (Key.unicode() == 27)
        Edit1->SetText(QString());
}

bool TListDialog::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() == QEvent::KeyPress && (Watched == Edit1 || Watched == ListBox1)) {
        const auto* press = static_cast<QKeyEvent*>(Event);
        QChar key = press->key() == Qt::Key_Escape ? QChar(27) : (press->text().isEmpty() ? QChar() : press->text().at(0));
        Edit1KeyPress(key);
        if (press->key() == Qt::Key_Escape)
            return true;
    }
    return TForm::eventFilter(Watched, Event);
}

void TListDialog::ListBox1DblClick()
{
    if (QListWidgetItem* item = ListBox1->currentItem(); item && item->isSelected())
        Edit1->SetText(item->text());
}

void TListDialog::Button1Click()
{
    const QString text = Edit1->Text();
    const bool chosen = !text.isEmpty() && FItemsList && !FItemsList->IsEmpty() && FItemsList->IndexOf(text) >= 0;
    SetModalResult(chosen ? mrOk : mrCancel);
}

void TListDialog::SpeedButton1Click()
{
    if (!FProcessor)
        return;
    try {
        FProcessor->Process(Edit1->Text());
        LoadItems(FSourceList);
        ShowAllItems();
    } catch (...) {
        ShowMessage(QStringLiteral("Error while calling"));
    }
}

namespace {

TUnitLifetime Lifetime = ObjectUnitLifetime(ListDialog);

} // namespace

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace ListChooseDialog
