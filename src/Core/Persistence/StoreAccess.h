#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

class ModelContext;
class QQmlEngine;
class QJSEngine;

// QML's way to the application's store: the main context of PersistenceController::shared().
class StoreAccess : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Store)
    QML_SINGLETON
    Q_PROPERTY(ModelContext *mainContext READ mainContext CONSTANT)
public:
    static StoreAccess *create(QQmlEngine *, QJSEngine *);
    ModelContext *mainContext() const;

private:
    explicit StoreAccess(QObject *parent = nullptr) : QObject(parent) {}
};
