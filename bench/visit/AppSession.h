#pragma once

#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <functional>

class ModelContainer;

// The application as main() sets it up, in this process, for benchmarks that drive it: its
// names and style, its store (in XDG_DATA_HOME) and its QML engine. Make one after the
// QGuiApplication.
class AppSession {
public:
    AppSession();
    ~AppSession();

    ModelContainer *container() const;
    QQmlApplicationEngine &engine() { return m_engine; }

    // A main window, shown; null (with a note on standard error) when it cannot be built.
    QQuickWindow *openMainWindow();
    // The screen a main window shows in its detail column.
    static QObject *detailScreen(QQuickWindow *window);

    // Runs the event loop until `done` or `timeoutMs`; false on the timeout.
    static bool waitFor(const std::function<bool()> &done, int timeoutMs = 120000);
    static void settle(int ms) { waitFor([] { return false; }, ms); }
    // Runs the event loop until `window` has drawn a frame.
    static bool waitForFrame(QQuickWindow *window);

private:
    QQmlApplicationEngine m_engine;
};
