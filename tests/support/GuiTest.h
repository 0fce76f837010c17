#pragma once

#include "Application.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

// A QtTest main for window tests: the application prepared as the program
// prepares it (fonts, German translations).
#define TOLVAN_GUI_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        tolvan::prepareApplication(app);                                                           \
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
