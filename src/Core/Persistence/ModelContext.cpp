#include "ModelContext.h"

#include "Persistence/EarthquakeTable.h"
#include "Persistence/ModelContainer.h"

ModelContext::ModelContext(ModelContainer *container, QObject *parent)
    : QObject(parent)
    , m_container(container)
{
}

void ModelContext::insert(const EarthquakePtr &earthquake)
{
    if (earthquake)
        m_inserted.append(earthquake);
}

Expected<EarthquakeList> ModelContext::fetch(const FetchDescriptor &descriptor) const
{
    return EarthquakeTable::fetch(m_container->database(), descriptor);
}

Expected<qint64> ModelContext::fetchCount(const FetchDescriptor &descriptor) const
{
    return EarthquakeTable::count(m_container->database(), descriptor);
}

Expected<QSet<QString>> ModelContext::fetchStoredEventIDs(const QStringList &eventIDs) const
{
    return EarthquakeTable::storedEventIDs(m_container->database(), eventIDs);
}

Expected<QSet<QString>> ModelContext::fetchAllEventIDs() const
{
    return EarthquakeTable::allEventIDs(m_container->database());
}

Expected<QList<qint64>> ModelContext::fetchDates(const FetchDescriptor &descriptor) const
{
    return EarthquakeTable::dates(m_container->database(), descriptor);
}

Expected<EarthquakeList> ModelContext::fetchRows(const QList<qint64> &rowIds) const
{
    return EarthquakeTable::rows(m_container->database(), rowIds);
}

Expected<void> ModelContext::save()
{
    if (m_inserted.isEmpty())
        return {};
    QSqlDatabase db = m_container->database();
    const EarthquakeList staged = std::exchange(m_inserted, {});
    const Expected<QList<qint64>> added = EarthquakeTable::insert(db, staged);
    if (!added)
        return added.error();
    ++m_container->m_saveCount;
    emit didSave();
    emit m_container->didSave(*added);
    return {};
}

void ModelContext::rollback()
{
    m_inserted.clear();
}
