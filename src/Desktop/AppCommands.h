#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <functional>

class QQmlEngine;
class QJSEngine;

// One menu command: where it sits, its title (localization key and default), its shortcut and
// what it does. Section commands write the navigation state; the others only post a named
// notification, so a command whose observer is not on screen does nothing. Commands that act
// on a main window (sections, sidebar, information, filter) act on the last active one, from
// whichever window of the application they come.
struct AppCommand {
    QString id;
    QString menu;              // "app", "view" or "navigate"
    QString titleKey;
    QString defaultTitle;
    QKeySequence shortcut;
    bool separatorBefore = false;
    std::function<void()> action;

    QString title() const;     // looked up at every read
};

// The fixed command table and the menus that show it. QML builds each window's menu bar from
// `menus`; everything a command does goes through trigger(), so it is the same from a menu,
// a shortcut or a test.
class AppCommands : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QVariantList menus READ menus CONSTANT)
public:
    static AppCommands *shared();
    static AppCommands *create(QQmlEngine *, QJSEngine *);

    const QList<AppCommand> &commands() const { return m_commands; }
    const AppCommand *command(const QString &id) const;

    // [{id, title, items: [{id, title, shortcut, separatorBefore}]}] in menu-bar order.
    QVariantList menus() const;

    // Runs the command with that identifier; false when there is none.
    Q_INVOKABLE bool trigger(const QString &id);

    // What "New window" and "Quit" do: the application entry installs them; without them those
    // two commands do nothing (tests, tools).
    void setNewWindowHandler(std::function<void()> handler) { m_newWindow = std::move(handler); }
    void setQuitHandler(std::function<void()> handler) { m_quit = std::move(handler); }

private:
    AppCommands();
    QList<AppCommand> m_commands;
    std::function<void()> m_newWindow;
    std::function<void()> m_quit;
};
