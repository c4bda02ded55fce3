#pragma once

#include "QuickItems.h"
#include "TestWait.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QWheelEvent>
#include <QtTest>

#include <algorithm>

// Walks a FormMenuPicker's menu as a mouse user would, once per choice: brings the picker into
// view (by giving it the keyboard focus, which its form follows), clicks it, scrolls the menu
// with the wheel until the choice shows, checks that the choice lies inside the window, and
// clicks it. Returns what went wrong, one line per fault; empty when every choice was inside
// the window and chosen by its click.
namespace MenuWalk {

inline QList<QQuickItem *> choicesOf(QQuickItem *picker)
{
    auto *menu = picker->property("menu").value<QObject *>();
    auto *content = menu ? menu->property("contentItem").value<QQuickItem *>() : nullptr;
    QList<QQuickItem *> choices;
    for (QQuickItem *item : QuickItems::all(content))
        if (item->objectName() == QLatin1String("menuChoice"))
            choices << item;
    std::sort(choices.begin(), choices.end(), [](QQuickItem *a, QQuickItem *b) { return a->y() < b->y(); });
    return choices;
}

// Waits for the next frame: positioners and layouts have placed their items by then.
inline bool settle(QQuickWindow *window)
{
    QSignalSpy frame(window, &QQuickWindow::frameSwapped);
    window->update();
    return frame.wait(TestWait::bound);
}

inline QRectF sceneRect(QQuickItem *item)
{
    return item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
}

inline QStringList walk(QQuickWindow *window, QQuickItem *picker)
{
    QStringList faults;
    const QString name = picker->objectName();
    auto *button = picker->property("button").value<QQuickItem *>();
    auto *menu = picker->property("menu").value<QObject *>();
    const QRectF windowRect(0, 0, window->width(), window->height());
    const int count = picker->property("model").toList().size();
    for (int index = 0; index < count; ++index) {
        button->forceActiveFocus(Qt::TabFocusReason);
        settle(window);
        if (!windowRect.contains(sceneRect(button))) {
            const QRectF at = sceneRect(button);
            faults << QStringLiteral("%1: for choice %2 the button lies at %3,%4 %5x%6, outside the window")
                          .arg(name).arg(index).arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height());
            return faults;
        }
        QTest::mouseClick(window, Qt::LeftButton, {}, sceneRect(button).center().toPoint());
        if (!QTest::qWaitFor([menu] { return menu->property("opened").toBool(); }, TestWait::bound)) {
            faults << QStringLiteral("%1: the menu did not open for choice %2 (button at %3,%4)").arg(name).arg(index)
                          .arg(sceneRect(button).x()).arg(sceneRect(button).y());
            return faults;
        }
        const QList<QQuickItem *> choices = choicesOf(picker);
        settle(window);
        if (choices.size() != count) {
            faults << QStringLiteral("%1: %2 choices shown of %3").arg(name).arg(choices.size()).arg(count);
            return faults;
        }
        QQuickItem *choice = choices.at(index);
        auto *scroller = menu->property("scroller").value<QQuickItem *>();
        const QPointF wheelAt = sceneRect(scroller).center();
        for (int turn = 0; turn < 100 && !sceneRect(scroller).contains(sceneRect(choice)); ++turn) {
            const bool down = sceneRect(choice).top() > sceneRect(scroller).top();
            QWheelEvent wheel(wheelAt, window->mapToGlobal(wheelAt), QPoint(), QPoint(0, down ? -120 : 120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QGuiApplication::sendEvent(window, &wheel);
            settle(window);
        }
        const QRectF shown = sceneRect(choice);
        if (!windowRect.contains(shown) || !sceneRect(scroller).contains(shown)) {
            faults << QStringLiteral("%1: choice %2 lies at %3,%4 %5x%6, outside the window %7x%8")
                          .arg(name).arg(index).arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())
                          .arg(window->width()).arg(window->height());
            QMetaObject::invokeMethod(menu, "close");
            QTest::qWaitFor([menu] { return !menu->property("visible").toBool(); }, TestWait::bound);
            continue;
        }
        QTest::mouseClick(window, Qt::LeftButton, {}, shown.center().toPoint());
        if (!QTest::qWaitFor([&] { return picker->property("currentIndex").toInt() == index; }, TestWait::bound))
            faults << QStringLiteral("%1: a click on choice %2 chose %3")
                          .arg(name).arg(index).arg(picker->property("currentIndex").toInt());
        QTest::qWaitFor([menu] { return !menu->property("visible").toBool(); }, TestWait::bound);
    }
    return faults;
}

}  // namespace MenuWalk
