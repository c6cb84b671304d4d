-- The schema of the example package hello.bpl, run after the program's own tables
-- (velprovision --sql hello.sql, or TestKit::TOptions::SqlFiles).

-- Its own table: the guests it greets, each with a greeting of their own, and the journals
-- of new and deleted rows every entity table has.
create table GOSTI (ID integer primary key, NAZVANIE varchar(250), PRIVETSTVIE varchar(250));
create table GOSTI_N (ID integer primary key);
create table GOSTI_D (ID integer primary key);
insert into GOSTI (ID, NAZVANIE, PRIVETSTVIE) values
    (1, 'Смирнов Алексей Петрович', 'Добрый день'),
    (2, 'Петрова Анна Сергеевна', 'Здравствуйте'),
    (3, 'Иванов Иван Иванович', 'Привет');

-- Its classes (CLASS.NAZVANIE is the C++ class name; RootClass is row 1) and the navigation
-- of the user DEMO (POLZOVATEL.ID 1): a root node «Гости» (class link, kind 4) listing the
-- rows of GOSTI (list link, kind 2). IDs from 101 leave the sample application's rows alone.
insert into CLASS (ID, NAZVANIE, STROKA, TIP_CLASS_ID) values
    (101, 'TGuestsClass', 'Гости', 1),
    (102, 'TGuestInstance', 'Гость', 2);
insert into NAVIGATSIA (ID, CLASS_ID, CLASS_ID_POTOMOK, TIP_NAV_ID, PARAMETR, CONTEXT, POLZ_ID) values
    (101, 1, 101, 4, '', '_default', 1),
    (102, 101, 102, 2, '', '_default', 1);
