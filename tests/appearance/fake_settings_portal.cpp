// Serves the settings portal with one colour scheme (argument: 0, 1 dark or 2 light) until killed.
#include "FakeSettingsPortal.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    FakeSettingsPortal portal;
    if (!portal.isRegistered()) {
        std::fprintf(stderr, "could not own org.freedesktop.portal.Desktop on the session bus\n");
        return 1;
    }
    portal.setColorScheme(argc > 1 ? QByteArray(argv[1]).toUInt() : 0u);
    return app.exec();
}
