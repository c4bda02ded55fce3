#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <functional>

class QQmlEngine;

// One named state of a screen to render: a QML scene at a size, in light or dark, with
// optional set-up (fixtures, context objects parented to the engine, initial properties).
struct RenderState {
    QString name;
    QUrl qml;
    QSize size;
    bool dark = false;
    QVariantMap properties = {};
    std::function<void(QQmlEngine &engine, QVariantMap &properties)> setup = {};
    // Runs on the created scene before it is shown (a selection, a filter set by hand).
    std::function<void(QObject *root)> ready = {};
    int settleMs = 400;  // for pending loads, layouts and the first frames
};

// Screens add their states from a file of their own in states/ (picked up by the build):
//   static const bool registered = RenderRegistry::add({...});
class RenderRegistry {
public:
    static bool add(RenderState state);
    // The same state in light and in dark, named <name>-light and <name>-dark.
    static bool addLightAndDark(const RenderState &state);
    static const QList<RenderState> &states();
};
