#pragma once
// The service information window: the live contents of the framework's registries (loaded
// packages, entity classes, contexts, navigators, parameters, databases with their data
// sets), opened from the main window's status bar behind a password.

#include "Controls.h"
#include "Forms.h"

class TStringList;

namespace IntarnalInfoForm {

class TForm3 : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TForm3, TForm)
public:
    explicit TForm3(TComponent* AOwner = nullptr);

    // Puts the current entries of the registries into the list boxes.
    void FillLists();
    // A database chosen in ListBox7: its queries' SQL texts into ListBox8, its tables'
    // names into ListBox9.
    void ListBox7Click(TObject* Sender);

    TPageControl* PageControl1;
    TTabSheet* TabSheet1; // "Модули"
    TTabSheet* TabSheet2; // "Классы"
    TTabSheet* TabSheet3; // "Пользователь"
    TTabSheet* TabSheet4; // "Контексты"
    TTabSheet* TabSheet5; // "Навигатор"
    TTabSheet* TabSheet6; // "Параметры"
    TTabSheet* TabSheet7; // "Базы данных"
    TListBox* ListBox1;
    TListBox* ListBox2;
    TListBox* ListBox3;
    TListBox* ListBox4;
    TListBox* ListBox5;
    TListBox* ListBox6;
    TListBox* ListBox7;
    TListBox* ListBox8;
    TListBox* ListBox9;

private:
    TTabSheet* AddPage(const QString& Caption);
    TListBox* AddList(TTabSheet* Page, TAlign Align);
};

// The password that opens the window, compared with the upper-cased answer.
extern const QString ServicePassword;

// The window, created at program start.
extern TForm3* Form3;

} // namespace IntarnalInfoForm
