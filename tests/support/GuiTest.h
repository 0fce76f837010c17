#pragma once

#include "Application.h"
#include "DialogForms.h"
#include "Guard.h"
#include "IniSettingsStore.h"

#include <QApplication>
#include <QList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace testing {

// What the program installs before its main window loads, for window tests: the
// real dialogs, a settings store in a temporary folder, and an end of the
// program that is only recorded, so that the test goes on.
struct ProgramServices {
    ProgramServices() : settings(settingsFolder.path())
    {
        tolvan::SettingsStore::install(&settings);
        tolvan::LoginForms::install(&dialogs);
        recordEnds();
    }
    ~ProgramServices()
    {
        tolvan::LoginForms::install(nullptr);
        tolvan::SettingsStore::install(nullptr);
    }
    // Records every end of the program in `ends` and lets handlers run again.
    void recordEnds()
    {
        tolvan::guard::setEnder([this](int status) { ends << status; });
    }

    QTemporaryDir settingsFolder;
    tolvan::IniSettingsStore settings;
    tolvan::DialogForms dialogs;
    QList<int> ends;
};

inline ProgramServices *services = nullptr;

} // namespace testing

// A QtTest main for window tests: the application prepared as the program
// prepares it (fonts, German translations), with the program's services.
#define TOLVAN_GUI_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        tolvan::prepareApplication(app);                                                           \
        testing::ProgramServices programServices;                                                  \
        testing::services = &programServices;                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

namespace testing {

// The named child; fails the test (by returning nullptr) when there is none.
template <typename T = QWidget> T *child(QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found)
        qWarning("no child %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}

// The object names met when Tab is pressed `steps` times from `start`.
inline QStringList tabChain(QWidget *start, int steps)
{
    QStringList names;
    start->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                              : QStringLiteral("(none)"));
    }
    return names;
}

} // namespace testing
