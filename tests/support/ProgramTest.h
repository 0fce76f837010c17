#pragma once

#include "DialogForms.h"
#include "FakeClock.h"
#include "Guard.h"
#include "GuiTest.h"
#include "IniSettingsStore.h"
#include "ServiceOwner.h"

#include <QList>
#include <QTemporaryDir>

namespace testing {

// What the program installs before its main window loads, for window tests: the
// real dialogs, a settings store in a temporary folder, and an end of the
// program that is only recorded, so that the test goes on.
struct ProgramServices {
    ProgramServices() : settings(settingsFolder.path())
    {
        owner.use<tolvan::SettingsStore>(settings);
        owner.use<tolvan::LoginForms>(dialogs);
        recordEnds();
    }
    // Records every end of the program in `ends` and lets handlers run again.
    void recordEnds()
    {
        tolvan::guard::setEnder([this](int status) { ends << status; });
    }

    QTemporaryDir settingsFolder;
    tolvan::IniSettingsStore settings;
    tolvan::DialogForms dialogs;
    FakeClock clock; // no window test waits real seconds between connection attempts
    QList<int> ends;
    tolvan::ServiceOwner owner; // the last member: takes the services back first
};

inline ProgramServices *services = nullptr;

} // namespace testing

// A QtTest main for tests of the program's windows: as TOLVAN_GUI_TEST_MAIN,
// with the program's services.
#define TOLVAN_PROGRAM_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        tolvan::prepareApplication(app);                                                           \
        testing::ProgramServices programServices;                                                  \
        testing::services = &programServices;                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
