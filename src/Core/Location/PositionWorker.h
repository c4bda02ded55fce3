#pragma once

#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>
#include <QObject>
#include <functional>

// Owns the positioning source on the positioning thread and keeps it running once asked; every
// slot runs there. Qt 6.4's geoclue2 plugin crashes when a source is started while its stop is
// still pending, and a single position request stops the source as soon as it is answered: so
// the source is only ever started, never stopped nor asked for single positions, and what is not
// wanted yet is dropped by the provider. A source that refused is replaced by a fresh one when
// asked again, never restarted.
class PositionWorker : public QObject {
    Q_OBJECT
public:
    using SourceFactory = std::function<QGeoPositionInfoSource *()>;

    explicit PositionWorker(SourceFactory factory) : m_factory(std::move(factory)) {}

    // Makes the first source.
    void create();
    // Keeps a source running with these methods: replaces one that refused, starts one not started.
    void run(int methods);

signals:
    void sourceMissing();
    void positionUpdated(const QGeoPositionInfo &info);
    void errorOccurred(QGeoPositionInfoSource::Error error);

private:
    void makeSource();
    void sourcePositionUpdated(const QGeoPositionInfo &info);
    void sourceErrorOccurred(QGeoPositionInfoSource::Error error);

    SourceFactory m_factory;
    QGeoPositionInfoSource *m_source = nullptr;  // a child of this worker
    bool m_started = false;
    bool m_refused = false;
    // What the source remembers from an earlier run and repeats as it starts: not a sign that the
    // service let us in.
    QGeoPositionInfo m_remembered;
};
