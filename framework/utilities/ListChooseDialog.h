#pragma once
// The list choice dialog: the user picks one value from a list of strings. An edit field
// for the value, a list below it that narrows as the user types (when Filter is set), "Ok"
// and "Отмена", and an optional button that hands the typed text to a processor which
// refills the list (for example by searching a database). One shared dialog, ListDialog,
// lives while the unit is initialised; a plug-in package that uses it initialises the unit
// from its own entry point.

#include "Controls.h"
#include "Forms.h"
#include "StringList.h"

#include <vector>

namespace ListChooseDialog {

// Derive from it to search for the typed text: Process refills the string list that the
// caller gave to TListDialog::Show.
class TListProcessor : public TObject {
    VEL_DECLARE_CLASS(TListProcessor, TObject)
public:
    virtual void Process(const QString& Text) = 0;
};

class TListDialog : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TListDialog, TForm)
public:
    explicit TListDialog(TComponent* AOwner = nullptr);

    using TForm::Show;
    // Shows List under Caption with Value in the edit field (the list is not filtered by
    // it) and, when Processor is given, the processor button. On "Ok" with a value of the
    // list Value receives the edit field's text; otherwise it is emptied. List must live
    // while the dialog is shown; neither it nor Processor is freed by the dialog.
    void Show(const QString& Caption, TStringList* List, QString& Value, bool Sorted, TListProcessor* Processor);

    TEdit* Edit1;
    TListBox* ListBox1;
    TButton* Button1;
    TButton* Button2;
    TButton* SpeedButton1;
    TButton* Button3;

    // Options, kept from one Show to the next. Filter: typing narrows the list.
    // CaseSensitive: compare as typed (otherwise both sides upper-cased). FromStart: an
    // item must begin with the typed text (single pattern only). MultiFilter: the text is a
    // list of patterns separated by "&", all of which an item must contain.
    bool FFilter = false;
    bool FCaseSensitive = false;
    bool FFromStart = false;
    bool FMultiFilter = false;

    void Edit1Change();
    // Escape (27) empties the edit field, which shows the whole list again.
    void Edit1KeyPress(QChar& Key);
    void ListBox1DblClick();
    void Button1Click();
    void SpeedButton1Click();

protected:
    // A hook for descendants, run before the dialog is shown.
    virtual void PrepareParams() {}
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // An item of the list and its upper-cased copy, in the order the list box shows them.
    struct TItem {
        QString Text;
        QString Folded;
    };
    void LoadItems(TStringList* List);
    void ShowItems(const std::vector<const TItem*>& Items);
    void ShowAllItems();
    void FilterSingle(const QString& Text);
    void FilterMulti(const QString& Text);
    QString Comparable(const QString& Text) const { return FCaseSensitive ? Text : Text.toUpper(); }
    const QString& Comparable(const TItem& Item) const { return FCaseSensitive ? Item.Text : Item.Folded; }

    bool FUpdating = false;
    TListProcessor* FProcessor = nullptr;
    TStringList* FSourceList = nullptr;
    TStringList* FItemsList = nullptr;
    bool FSorted = true;
    std::vector<TItem> FItems;
    std::vector<const TItem*> FShown;
    // The single pattern whose matches FShown holds, while it does.
    struct TNarrowed {
        bool Valid = false;
        QString Pattern;
        bool CaseSensitive = false;
        bool FromStart = false;
    } FNarrowed;
};

// Splits a multi-pattern text at each "&": every part before an "&" is a pattern, trimmed,
// even when empty; the part after the last "&" only when it is not empty once trimmed.
QStringList SplitPatterns(const QString& Text);

// The shared dialog.
extern TListDialog* ListDialog;

void Initialize();
void Finalize();

} // namespace ListChooseDialog
