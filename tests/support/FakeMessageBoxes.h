#pragma once

#include "MessageBoxes.h"

#include <QList>
#include <QString>

// Records every message and answers from a queue the test fills. A message
// the test did not expect (empty queue) is counted in `unexpected`, and the
// test's cleanup fails on it. Installs itself while it lives.
class FakeMessageBoxes : public tolvan::MessageBoxes {
public:
    struct Message {
        QString title;
        QString text;
        tolvan::MessageIcon icon;
        tolvan::MessageButtons buttons;
    };

    FakeMessageBoxes() { install(this); }
    ~FakeMessageBoxes() override { install(nullptr); }

    void expect(tolvan::MessageAnswer answer) { answers << answer; }
    void reset()
    {
        shown.clear();
        answers.clear();
        unexpected = 0;
    }

    tolvan::MessageAnswer show(const QString &title, const QString &text, tolvan::MessageIcon icon,
                               tolvan::MessageButtons buttons) override
    {
        shown << Message{title, text, icon, buttons};
        if (answers.isEmpty()) {
            ++unexpected;
            return buttons == tolvan::MessageButtons::YesNo ? tolvan::MessageAnswer::No
                                                            : tolvan::MessageAnswer::Ok;
        }
        return answers.takeFirst();
    }

    QList<Message> shown;
    QList<tolvan::MessageAnswer> answers;
    int unexpected = 0;
};
