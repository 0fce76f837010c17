#pragma once

#include "Application.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

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

// Runs `drive` on the next modal dialog once it is shown; rejects it when the
// drive fails so that the test cannot hang. Gives up after ten seconds, so that
// no poller outlives its test.
inline QList<QPointer<QTimer>> &modalDrivers()
{
    static QList<QPointer<QTimer>> drivers;
    return drivers;
}

// Stops every driver that has not met its dialog; call in cleanup().
inline void stopModalDrivers()
{
    for (const QPointer<QTimer> &driver : modalDrivers())
        delete driver.data();
    modalDrivers().clear();
}

inline void whenModal(std::function<bool(QWidget *)> drive)
{
    auto *timer = new QTimer;
    modalDrivers() << timer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, drive, polls = 0]() mutable {
        if (++polls > 1000) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        if (!drive(modal))
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
    });
    timer->start();
}

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
