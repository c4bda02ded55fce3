#pragma once

#include <QGuiApplication>
#include <QQuickStyle>
#include <QTemporaryDir>
#include <QtTest>

// The main of the main-window tests: the application as main() sets it up, in a home of its
// own (the store, the settings and the permission flag start empty), with a catalogue address
// that refuses at once.
template <typename Test>
int runInOwnHome(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", "http://127.0.0.1:9/get10dias");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("sismovantaquelorin"));
    QGuiApplication::setOrganizationName(QStringLiteral("sismovantaquelorin"));
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    Test test;
    return QTest::qExec(&test, argc, argv);
}
