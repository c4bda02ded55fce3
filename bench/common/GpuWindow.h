#pragma once

// What the benchmarks that draw a window share: a real OpenGL renderer even when headless,
// frames as fast as they render, and the renderer's name for the figures' notes.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSurfaceFormat>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace bench {

// Headless: run again inside Xvfb so that OpenGL (Mesa) renders, as on a desktop. Returns only
// when this process is the one to measure. Call before the application exists.
inline void rerunUnderXvfbIfHeadless(int argc, char *argv[])
{
    if (std::getenv("SISMO_BENCH_MAP_INNER") || std::getenv("DISPLAY") || access("/usr/bin/xvfb-run", X_OK) != 0)
        return;
    setenv("SISMO_BENCH_MAP_INNER", "1", 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    std::vector<char *> args{const_cast<char *>("xvfb-run"), const_cast<char *>("-a"), const_cast<char *>("-s"),
                             const_cast<char *>("-screen 0 1280x1024x24")};
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    std::fflush(stdout);
    execv("/usr/bin/xvfb-run", args.data());
    unsetenv("QT_QPA_PLATFORM");  // exec failed: measure here
}

// Frames as fast as they render: no vsync, no threaded render loop in between. Call before the
// application exists.
inline void renderUnthrottled()
{
    qputenv("QSG_RENDER_LOOP", "basic");
    QSurfaceFormat fmt = QSurfaceFormat::defaultFormat();
    fmt.setSwapInterval(0);
    QSurfaceFormat::setDefaultFormat(fmt);
}

// The renderer that draws the window, read during its next frame (waits up to 2 s for it).
inline QString rendererName(QQuickWindow &window)
{
    if (window.rendererInterface()->graphicsApi() == QSGRendererInterface::Software)
        return QStringLiteral("Qt Quick software renderer");
    QString name;
    const QMetaObject::Connection read = QObject::connect(&window, &QQuickWindow::afterRendering, &window, [&name] {
        if (!name.isEmpty())
            return;
        if (QOpenGLContext *ctx = QOpenGLContext::currentContext()) {
            auto *f = ctx->functions();
            name = QStringLiteral("OpenGL %1 (%2)")
                       .arg(QString::fromLatin1(reinterpret_cast<const char *>(f->glGetString(GL_VERSION))),
                            QString::fromLatin1(reinterpret_cast<const char *>(f->glGetString(GL_RENDERER))));
        }
    }, Qt::DirectConnection);
    QElapsedTimer t;
    t.start();
    window.update();
    while (name.isEmpty() && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QObject::disconnect(read);  // the name it writes goes with this call
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}

}  // namespace bench
