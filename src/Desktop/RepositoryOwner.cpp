#include "RepositoryOwner.h"

#include "DataSources/IGNDataSource.h"
#include "Persistence/ModelContext.h"
#include "Repositories/EarthquakeRepository.h"

RepositoryOwner::RepositoryOwner(QObject *parent) : QObject(parent) {}

RepositoryOwner::~RepositoryOwner() = default;  // the repository is a child

void RepositoryOwner::setContext(ModelContext *context)
{
    if (m_context == context)
        return;
    m_context = context;
    emit contextChanged();
    if (m_complete)
        buildRepository();
}

void RepositoryOwner::componentComplete()
{
    m_complete = true;
    buildRepository();
}

void RepositoryOwner::buildRepository()
{
    if (m_repository || !m_context)
        return;
    m_repository = new EarthquakeRepository(m_context, std::make_unique<IGNDataSource>(), this);
    emit repositoryChanged();
}
