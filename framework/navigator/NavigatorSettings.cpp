#include "NavigatorSettings.h"

#include "Env.h"
#include "Exceptions.h"
#include "PropertyPages.h"
#include "Registry.h"
#include "UnitLifetime.h"

#include <functional>

namespace NavigatorSettings {

VEL_IMPLEMENT_CLASS(TNavigatorSheet)

TNavigatorSheet* NavigatorSheet = nullptr;

namespace {

const QString RestoreValue = QStringLiteral("RestoreTree");
const QString ExpandedValue = QStringLiteral("ExpandedNodes");
const QString SelectedValue = QStringLiteral("SelectedNode");
// Paths are stored one a line.
const QChar PathSeparator = QLatin1Char('\n');

// Reads a value of the navigator's key; Fallback when the key, the value or a readable value
// of that type is missing.
template <class Read, class Value>
Value ReadValue(const QString& Name, Value Fallback, Read ReadIt)
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(NavigatorKey()) || !registry.ValueExists(Name))
        return Fallback;
    try {
        return ReadIt(registry, Name);
    } catch (const ERegistryException&) {
        return Fallback;
    }
}

QString ReadText(const QString& Name)
{
    return ReadValue(Name, QString(), [](TRegistry& Registry, const QString& Value) { return Registry.ReadString(Value); });
}

void WriteValues(const std::function<void(TRegistry&)>& Write)
{
    TRegistry::WriteSetting([&Write] {
        TRegistry registry;
        registry.OpenKey(NavigatorKey(), true);
        Write(registry);
    });
}

void LoadPage()
{
    NavigatorSheet->CheckBox1->SetChecked(RestoreTree());
}

void SavePage()
{
    SetRestoreTree(NavigatorSheet->CheckBox1->Checked());
}

TUnitLifetime Lifetime([] { NavigatorSheet = new TNavigatorSheet; },
    [] {
        UnregisterPage();
        delete NavigatorSheet;
        NavigatorSheet = nullptr;
    });

bool PageRegistered()
{
    return PropertyPages::Pages && PropertyPages::Pages->IndexOfObject(NavigatorSheet) >= 0;
}

} // namespace

QString NavigatorKey()
{
    return Env::RegistryKeyRoot + QStringLiteral("\\TTestNavigator");
}

bool RestoreTree()
{
    return ReadValue(RestoreValue, false, [](TRegistry& Registry, const QString& Name) { return Registry.ReadInteger(Name) != 0; });
}

void SetRestoreTree(bool Restore)
{
    WriteValues([Restore](TRegistry& Registry) {
        Registry.WriteInteger(RestoreValue, Restore ? 1 : 0);
        if (!Restore) {
            Registry.DeleteValue(ExpandedValue);
            Registry.DeleteValue(SelectedValue);
        }
    });
}

TStoredTree StoredTree()
{
    TStoredTree tree;
    tree.Expanded = ReadText(ExpandedValue).split(PathSeparator, Qt::SkipEmptyParts);
    tree.Selected = ReadText(SelectedValue);
    return tree;
}

void StoreTree(const TStoredTree& Tree)
{
    WriteValues([&Tree](TRegistry& Registry) {
        Registry.WriteString(ExpandedValue, Tree.Expanded.join(PathSeparator));
        Registry.WriteString(SelectedValue, Tree.Selected);
    });
}

void RegisterPage()
{
    if (!PageRegistered())
        Env::RegisterPropertyPage(PageName, NavigatorSheet, SavePage, LoadPage);
}

void UnregisterPage()
{
    if (PageRegistered())
        Env::UnregiseterPropertyPage(PageName);
}

TNavigatorSheet::TNavigatorSheet() : TTabSheet(nullptr), CheckBox1(new TCheckBox(this, this))
{
    SetCaption(PageName);
    CheckBox1->SetCaption(QStringLiteral("Восстанавливать дерево при подключении"));
    CheckBox1->SetAlign(alTop);
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace NavigatorSettings
