#include "StoreAccess.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/PersistenceController.h"

#include <QJSEngine>
#include <QQmlEngine>

StoreAccess *StoreAccess::create(QQmlEngine *engine, QJSEngine *)
{
    return new StoreAccess(engine);  // the engine owns its singleton
}

ModelContext *StoreAccess::mainContext() const
{
    return PersistenceController::shared().container()->mainContext();
}
