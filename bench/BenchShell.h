#pragma once
// What the connect benchmarks share: the framework and the shell's units started, the main
// window with the dialogs a connect shows, a scripted dialog host, and connects timed from window message 1110 to
// "Система готова к работе" with the dialogs answered at once.

#include "Application.h"
#include "ApplicationSystemChooseForm.h"
#include "Dialogs.h"
#include "Env.h"
#include "LoginForm.h"
#include "OptionsForm.h"
#include "StatusBar.h"
#include "Velkit07.h"
#include "mainform.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace BenchShell {

class TShell {
public:
    TShell()
    {
        SetDialogHost(&FDialogs);
        Velkit07::Initialize();
        OptionsForm::Initialize();
        FForm = std::make_unique<mainform::TForm1>();
        LoginForm::LoginFrm = new LoginForm::TLoginFrm;
        ApplicationSystemChooseForm::ApplicationSystemChooseFrm = new ApplicationSystemChooseForm::TApplicationSystemChooseFrm;
    }
    ~TShell()
    {
        delete ApplicationSystemChooseForm::ApplicationSystemChooseFrm;
        ApplicationSystemChooseForm::ApplicationSystemChooseFrm = nullptr;
        delete LoginForm::LoginFrm;
        LoginForm::LoginFrm = nullptr;
        FForm.reset();
        OptionsForm::Finalize();
        Velkit07::Finalize();
        SetDialogHost(nullptr);
    }
    TShell(const TShell&) = delete;
    TShell& operator=(const TShell&) = delete;

    mainform::TForm1* Form() const { return FForm.get(); }
    TScriptedDialogHost* Dialogs() { return &FDialogs; }

private:
    TScriptedDialogHost FDialogs;
    std::unique_ptr<mainform::TForm1> FForm;
};

// Times connects of the application the chooser opens on; each session is disconnected
// untimed. Started says whether a session came up as expected; the run ends with an error
// when one did not.
inline void TimeConnects(benchmark::State& State, mainform::TForm1* Form, TScriptedDialogHost* Dialogs,
                         const std::function<bool()>& Started)
{
    const QString ready = QStringLiteral("Система готова к работе");
    for (auto _ : State) {
        Dialogs->QueueModalAnswer([](TForm*) { return static_cast<int>(mrOk); });
        Application::PostMessage(Form->Handle(), mainform::WM_CONNECT);
        for (int round = 0; round < 100000 && Env::MessagePanel->Text() != ready; ++round)
            QCoreApplication::processEvents();
        State.PauseTiming();
        const bool started = Env::MessagePanel->Text() == ready && Started();
        Form->DisconnectItemClick(nullptr);
        Dialogs->Reset();
        if (!started) {
            State.SkipWithError("the session did not start as expected");
            break;
        }
        State.ResumeTiming();
    }
}

} // namespace BenchShell
