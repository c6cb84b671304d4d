#pragma once
// The navigator over a small schema of its own in the test database. Two roots: clients,
// with their orders (a filtered class link on PARENT_ID), notes and payments as further
// sub-forms, and a class of another context; boxes, which are containers of items in the
// context "Склад-тест", beside a table whose rows break the reading in the middle. The framework's own navigator is
// the current one while a test runs, and is taken down after it.

#include "DatabaseFixture.h"
#include "ContextManager.h"
#include "EClasses.h"
#include "TestNav.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace NavigatorTests {

// Names of the entities destroyed so far, in order.
std::vector<QString>& FreedEntities();
// Names of the entities told to refresh themselves so far, in order.
std::vector<QString>& Refreshed();
// How often a client was saved in this test.
int ClientSaves();
// What the making of each client node runs (nothing unless a test says).
extern std::function<void()> WhenClientMade;
// What a client's save does after it saved (nothing unless a test says).
extern std::function<void()> AfterSave;

class NavigatorTest : public TestSupport::TDatabaseTest {
public:
    // The form every entity of the class shows (made on first use, freed after the test).
    static EClasses::TNavigatorForm* FormOf(const QString& ClassName);

protected:
    void SetUp() override;
    void TearDown() override;

    TestNav::TTestNavigator* Navigator() const { return TestNav::TestNavigator; }
    // Adds a schema row of user 1 (a context of "" is "_default").
    void Link(int ID, const QString& From, const QString& To, int NavType, const QString& Parameter = QString(),
        const QString& Context = QString());
    // Starts the framework's navigator as the current one.
    void Start();
    // The node reached from the roots through these captions.
    TTreeNode* Node(const QStringList& Captions) const;
    TTreeNode* Expanded(const QStringList& Captions);
    QStringList Captions(TTreeNode* Parent) const;
    // Selects a node the way a click does.
    void Click(const QStringList& Captions);

    static std::map<QString, std::unique_ptr<EClasses::TNavigatorForm>>& Forms();

private:
    bool FStarted = false;
};

} // namespace NavigatorTests
