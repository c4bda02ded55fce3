#pragma once

#include "Persistence/ModelContainer.h"

#include <memory>

// Owns the application's store container. `shared` is the on-disk store, opened once per
// process; `preview` is an in-memory store with three sample events.
class PersistenceController {
public:
    static PersistenceController &shared();
    static PersistenceController &preview();

    ModelContainer *container() const { return m_container.get(); }

    // The store file: AppDataLocation + "/earthquakes.sqlite".
    static QString defaultStorePath();

    // The message a store that cannot be opened stops the process with.
    static QString fatalMessage(const Error &error);

private:
    explicit PersistenceController(bool inMemory);
    std::unique_ptr<ModelContainer> m_container;
};
