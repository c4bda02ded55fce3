#include "FirstFrameReporter.h"

#include <QCoreApplication>
#include <QFile>
#include <QQuickWindow>

#include <atomic>
#include <memory>
#include <cstdio>

namespace FirstFrameReporter {

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:")) {
            bool ok = false;
            const long kb = line.mid(6).trimmed().split(' ').value(0).toLong(&ok);
            return ok ? kb : -1;
        }
    }
    return -1;
}

void installIfRequested(QQuickWindow *window)
{
    if (!window || qEnvironmentVariableIntValue("SISMO_REPORT_FIRST_FRAME") != 1)
        return;
    const bool exitAfter = qEnvironmentVariableIntValue("SISMO_EXIT_AFTER_FIRST_FRAME") == 1;
    auto reported = std::make_shared<std::atomic_bool>(false);
    // frameSwapped may come from the render thread: print there, quit on the main thread.
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [reported, exitAfter] {
        if (reported->exchange(true))
            return;
        std::printf("first_frame rss_kb=%ld\n", residentKilobytes());
        std::fflush(stdout);
        if (exitAfter)
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    }, Qt::DirectConnection);
}

}  // namespace FirstFrameReporter
