#pragma once

#include "Models/Earthquake.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <optional>
#include <vector>

class ModelContainer;

// Every stored event in memory, read-only, in the store's newest-first order (date descending,
// equal dates by eventID descending). Loaded on first use; after each save it merges in only
// the rows that save added. Screens that show all events read this instead of querying.
class EarthquakeSnapshot : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The snapshot belongs to its store")
public:
    struct Row {
        qint64 rowId;      // the store's row: the identity
        qint64 dateMs;     // milliseconds UTC
        double latitude, longitude, depth, magnitude;
        quint32 place;     // index into placeName()
    };
    static_assert(sizeof(Row) <= 64);

    explicit EarthquakeSnapshot(ModelContainer *container, QObject *parent = nullptr);

    // Newest first. Loads on first call; a failed read returns empty and stays unloaded, so the
    // next call reads again. The reference is valid until the next changed().
    const std::vector<Row> &rows();
    bool isLoaded() const { return m_loaded; }

    const QString &placeName(quint32 place) const;
    quint32 placeCount() const { return quint32(m_places.size()); }

    // The stored record of a row, read by its row id; none when the read fails.
    std::optional<Earthquake> record(const Row &row) const;

    // Reader threads for a store file, each reading at least `minRows` row ids (the in-memory
    // store always reads on one connection).
    void setReaderThreads(int count, qint64 minRows = 50000)
    {
        m_readerThreads = qMax(1, count);
        m_minRowsPerThread = minRows;
    }

signals:
    // Once per save that added rows, after they have been merged in.
    void changed();

private:
    bool load();
    void unload();
    void onSaved(const QList<qint64> &addedRowIds);
    bool mergeAdded(const QList<qint64> &addedRowIds);
    quint32 intern(const QString &name);

    ModelContainer *m_container;
    std::vector<Row> m_rows;
    std::vector<QString> m_places;
    QHash<QString, quint32> m_placeIndex;
    bool m_loaded = false;
    bool m_sqlOrdered = false;   // the rows came sorted by SQLite: merges reload instead
    quint64 m_loadedAtSave = 0;  // the container's save count when loaded
    int m_readerThreads = 4;
    qint64 m_minRowsPerThread = 50000;
};
