#pragma once

class QQuickWindow;

// For the start-up benchmark: with SISMO_REPORT_FIRST_FRAME=1 the first frame shown by the
// window prints "first_frame rss_kb=<resident memory>" on standard output; with
// SISMO_EXIT_AFTER_FIRST_FRAME=1 the application then quits.
namespace FirstFrameReporter {

void installIfRequested(QQuickWindow *window);
long residentKilobytes();  // VmRSS of this process, -1 when unknown

}  // namespace FirstFrameReporter
