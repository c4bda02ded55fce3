#pragma once

#include <QGuiApplication>
#include <QQuickStyle>
#include <QTemporaryDir>
#include <QtTest>

// Runs a test of the whole application in a home of its own: the store, the settings and the
// permission flag start empty, and the catalogue address refuses at once.
template <typename Test>
int runAppTestInOwnHome(int argc, char *argv[])
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
