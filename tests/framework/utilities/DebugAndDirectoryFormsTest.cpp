#include "DebugForm.h"
#include "DirectoryForm.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

TEST(DebugForm, ExistsFromPackageStartWithItsTreeAndIsFreedAtTheEnd)
{
    ASSERT_NE(DebugForm::Form2, nullptr);
    EXPECT_EQ(DebugForm::Form2->Caption(), "Form2");
    EXPECT_EQ(DebugForm::Form2->size(), QSize(458, 289));
    EXPECT_EQ(DebugForm::Form2->TreeView10->geometry(), QRect(8, 8, 437, 249));
    EXPECT_EQ(DebugForm::Form2->TreeView10->indentation(), 19);
    EXPECT_EQ(DebugForm::Form2->Owner(), nullptr);
    EXPECT_FALSE(DebugForm::Form2->isVisible());

    DebugForm::Finalize();
    EXPECT_EQ(DebugForm::Form2, nullptr);
    DebugForm::Initialize();
    EXPECT_NE(DebugForm::Form2, nullptr);
}

TEST(DirectoryForm, ChooserHasItsControlsAndButtonsCloseWithTheirResults)
{
    DirectoryForm::TDirectoryFrm* chooser = DirectoryForm::DirectoryFrm;
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->Caption(), "Выбор каталога");
    EXPECT_EQ(chooser->size(), QSize(276, 304));
    EXPECT_EQ(chooser->DirectoryListBox1->geometry(), QRect(8, 8, 261, 253));
    EXPECT_EQ(chooser->Button1->Caption(), "ОК");
    EXPECT_EQ(chooser->Button2->Caption(), "Отмена");

    const QString start = TestSupport::TempDir();
    QDir(start).mkpath("alpha/inner");
    QDir(start).mkpath("beta");
    TestSupport::Dialogs().QueueModalAnswer([&start](TForm* Form) {
        auto* dialog = static_cast<DirectoryForm::TDirectoryFrm*>(Form);
        dialog->DirectoryListBox1->SetDirectory(start + "/alpha");
        dialog->Button1->click();
        return Form->ModalResult();
    });
    EXPECT_EQ(chooser->ShowModal(), mrOk);
    EXPECT_EQ(chooser->Directory(), QDir::cleanPath(start + "/alpha"));

    TestSupport::Dialogs().QueueModalAnswer([](TForm* Form) {
        static_cast<DirectoryForm::TDirectoryFrm*>(Form)->Button2->click();
        return Form->ModalResult();
    });
    EXPECT_EQ(chooser->ShowModal(), mrCancel);
}

TEST(DirectoryListBox, ShowsAncestorsThenSubdirectoriesAndOpensAnActivatedEntry)
{
    const QString root = QDir::cleanPath(TestSupport::TempDir() + "/tree");
    QDir(root).mkpath("b-second");
    QDir(root).mkpath("A-first/deeper");
    QFile(root + "/file.txt").open(QIODevice::WriteOnly);

    TDirectoryListBox list(nullptr, nullptr);
    list.SetDirectory(root + "/./A-first/..");
    EXPECT_EQ(list.Directory(), root);
    const QStringList items = [&list] {
        QStringList texts;
        for (int i = 0; i < list.count(); ++i)
            texts.append(list.item(i)->text().trimmed());
        return texts;
    }();
    const int depth = root.count('/');
    ASSERT_EQ(items.size(), depth + 3) << items.join(", ").toStdString();
    EXPECT_EQ(items.first(), "/");
    EXPECT_EQ(items[depth], "tree");
    EXPECT_EQ(items.mid(depth + 1), QStringList({"A-first", "b-second"})) << "directories only, ignoring letter case";
    EXPECT_EQ(list.currentRow(), depth) << "the open directory is the current entry";

    emit list.itemActivated(list.item(depth + 1));
    EXPECT_EQ(list.Directory(), root + "/A-first");
    emit list.itemActivated(list.item(0));
    EXPECT_EQ(list.Directory(), "/");
}
