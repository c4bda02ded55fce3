#pragma once

#include <QObject>
#include <QPointer>
#include <QQmlParserStatus>
#include <QtQml/qqmlregistration.h>

#include "Persistence/ModelContext.h"
#include "Repositories/EarthquakeRepository.h"

// Gives a root view its own repository: built once, when the owner is complete, from the
// context it was given, on the institute's catalogue; destroyed with the owner. A later
// change of context keeps the first repository.
class RepositoryOwner : public QObject, public QQmlParserStatus {
    Q_OBJECT
    QML_ELEMENT
    Q_INTERFACES(QQmlParserStatus)
    Q_PROPERTY(ModelContext *context READ context WRITE setContext NOTIFY contextChanged)
    Q_PROPERTY(EarthquakeRepository *repository READ repository NOTIFY repositoryChanged)
public:
    explicit RepositoryOwner(QObject *parent = nullptr);
    ~RepositoryOwner() override;

    ModelContext *context() const { return m_context; }
    void setContext(ModelContext *context);
    EarthquakeRepository *repository() const { return m_repository; }

    void classBegin() override {}
    void componentComplete() override;

signals:
    void contextChanged();
    void repositoryChanged();

private:
    void buildRepository();

    QPointer<ModelContext> m_context;
    bool m_complete = false;
    EarthquakeRepository *m_repository = nullptr;
};
