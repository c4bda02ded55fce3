#pragma once

#include "GeoMap.h"
#include "MarkerLayer.h"
#include "TestWait.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <memory>

// A window holding one GeoMap built from the given QML body (inside `GeoMap { ... }`).
struct MapTestScene {
    std::unique_ptr<QQuickView> view;
    GeoMap *map = nullptr;

    explicit MapTestScene(const QSize &size, const QByteArray &mapBody = {}, const QByteArray &mapProperties = "tilesEnabled: false")
    {
        view = std::make_unique<QQuickView>();
        view->engine()->addImportPath(QStringLiteral("qrc:/"));
        view->setResizeMode(QQuickView::SizeRootObjectToView);
        const QByteArray qml = "import QtQuick\nimport QtPositioning\nimport Sismovantaquelorin.Map\n"
                               "Item { GeoMap { objectName: \"map\"; anchors.fill: parent; " + mapProperties + "\n"
                               + mapBody + "\n} }\n";
        QQmlComponent component(view->engine());
        component.setData(qml, QUrl(QStringLiteral("qrc:/test-scene.qml")));
        auto *root = qobject_cast<QQuickItem *>(component.create());
        if (!root)
            qWarning() << component.errorString();
        view->setContent(QUrl(), &component, root);
        view->resize(size);
        view->show();
        map = root ? root->findChild<GeoMap *>(QStringLiteral("map")) : nullptr;
        if (!QTest::qWaitForWindowExposed(view.get(), TestWait::bound))
            qWarning("map test window not exposed");
        for (int i = 0; i < 100 && map && map->size() != QSizeF(size); ++i)
            QTest::qWait(10);
    }

    // By object name among the visual descendants (Repeater delegates are not QObject children).
    template <typename T = QQuickItem>
    T *find(const char *name) const { return qobject_cast<T *>(findItem(map, QString::fromLatin1(name))); }
    static QQuickItem *findItem(QQuickItem *item, const QString &name)
    {
        if (!item)
            return nullptr;
        if (item->objectName() == name)
            return item;
        for (QQuickItem *child : item->childItems()) {
            if (QQuickItem *found = findItem(child, name))
                return found;
        }
        return nullptr;
    }

    QImage grab()
    {
        QTest::qWait(50);  // let a frame through
        return view->grabWindow();
    }
};

inline bool colorNear(QColor a, QColor b, int tolerance = 12)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}
