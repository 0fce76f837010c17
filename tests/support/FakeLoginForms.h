#pragma once

#include "Connecting.h"
#include "LoginForms.h"

#include <QHash>
#include <QStringList>
#include <functional>

// Dialogs without windows: fields in a table, a modal showing that runs what
// the test says (the user's part) and then counts as hidden, an idle timer
// that is only a flag, and a record of what happened ("login shown",
// "server hidden", "select BPASSWORT", "quit", …). Installs itself while it lives.
class FakeLoginForms : public tolvan::LoginForms {
public:
    class FakeForm : public tolvan::Form {
    public:
        FakeForm(FakeLoginForms &owner, QString name) : m_owner(owner), m_name(std::move(name)) {}

        QString text(const QString &field) override { return fields.value(field); }
        void setText(const QString &field, const QString &text) override { fields[field] = text; }
        void selectAll(const QString &field) override { m_owner.events << "select " + field; }
        void showModal() override
        {
            m_owner.events << m_name + " shown";
            visible = true;
            if (whileShown)
                whileShown();
            visible = false;
        }
        void hide() override
        {
            m_owner.events << m_name + " hidden";
            visible = false;
        }
        bool isVisible() override { return visible; }

        QHash<QString, QString> fields;
        bool visible = false;
        // What the user does while the dialog is shown modally.
        std::function<void()> whileShown;

    private:
        FakeLoginForms &m_owner;
        QString m_name;
    };

    FakeLoginForms() { install(this); }
    ~FakeLoginForms() override { install(nullptr); }

    tolvan::Form &login() override { return loginForm; }
    tolvan::Form &server() override { return serverForm; }
    void startIdleTimer() override { idleTimerRunning = true; }
    void stopIdleTimer() override { idleTimerRunning = false; }
    void quit(int status) override
    {
        events << "quit";
        tolvan::UnloadAllForms(status);
    }
    void unloadAll() override { events << "unload"; }

    FakeForm loginForm{*this, QStringLiteral("login")};
    FakeForm serverForm{*this, QStringLiteral("server")};
    bool idleTimerRunning = false;
    QStringList events;
};
