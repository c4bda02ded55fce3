// The settings window's content and the information sheet, offscreen: which sections show,
// switches that show the store after a refusal, the form's width, the cards and tips, and a
// settings window that writes nothing by being opened and closed.
#include "SettingsFixture.h"

#include "Desktop/WindowScenes.h"
#include "Platform/Localization.h"
#include "Platform/NamedNotifications.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QtTest>

#include "MenuWalk.h"
#include "QuickItems.h"
#include "TestWait.h"

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_DesktopPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

void clickCentre(QQuickWindow *window, QQuickItem *item)
{
    QTest::mouseClick(window, Qt::LeftButton, {}, item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
}

}  // namespace

class TestSettingsScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", "http://127.0.0.1:9/get10dias");  // refuses at once
        Localization::setLocaleForTesting(QLocale::c());
        m_engine.addImportPath(QStringLiteral("qrc:/"));
    }

    void sectionsFollowTheMasterSwitch_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("sections");
        QTest::newRow("off") << false << QStringList{"masterNotificationsSection", "autoRefreshSection"};
        QTest::newRow("on") << true
                            << QStringList{"masterNotificationsSection", "globalMagnitudeSection",
                                           "locationNotificationsSection", "swarmDetectionSection", "autoRefreshSection"};
    }
    void sectionsFollowTheMasterSwitch()
    {
        QFETCH(bool, enabled);
        QFETCH(QStringList, sections);
        SettingsFixture f(LocationManager::NotDetermined,
                          [&](UserDefaults &d) { d.setBool(QStringLiteral("notificationsEnabled"), enabled); });
        auto window = showSettings(f.viewModel.get(), 520);
        QQuickItem *form = QuickItems::find(window->contentItem(), QStringLiteral("settingsForm"));
        QStringList shown;
        QList<QQuickItem *> items;
        collectSections(form, items);
        std::sort(items.begin(), items.end(), [](QQuickItem *a, QQuickItem *b) { return a->y() < b->y(); });
        for (QQuickItem *item : items)
            shown << item->objectName();
        QCOMPARE(shown, sections);
    }

    // Switches show the store, not the click: a refused request turns the master switch back
    // off, and a denied location leaves the proximity switch off.
    void masterSwitchBackOffAfterARefusal()
    {
        SettingsFixture f;
        auto window = showSettings(f.viewModel.get(), 520);
        QQuickItem *master = QuickItems::find(window->contentItem(), QStringLiteral("notificationsToggle"));
        auto *masterSwitch = master->property("control").value<QQuickItem *>();
        clickCentre(window.get(), masterSwitch);
        QVERIFY(masterSwitch->property("checked").toBool());  // on at once
        QTRY_VERIFY_WITH_TIMEOUT(!f.settings->isEnabled(), TestWait::bound);                // no server: refused
        QCOMPARE(masterSwitch->property("checked").toBool(), false);
    }

    void proximitySwitchRefusedWithLocationDenied()
    {
        SettingsFixture f(LocationManager::Denied,
                          [](UserDefaults &d) { d.setBool(QStringLiteral("notificationsEnabled"), true); });
        auto window = showSettings(f.viewModel.get(), 520);
        QQuickItem *proximity = QuickItems::find(window->contentItem(), QStringLiteral("proximityToggle"));
        QTRY_VERIFY_WITH_TIMEOUT(proximity->isVisible() && proximity->height() > 0, TestWait::bound);
        auto *proximitySwitch = proximity->property("control").value<QQuickItem *>();
        clickCentre(window.get(), proximitySwitch);
        QCOMPARE(f.settings->locationNotificationsEnabled(), false);
        QCOMPARE(proximitySwitch->property("checked").toBool(), false);
        QVERIFY(!QuickItems::find(window->contentItem(), QStringLiteral("locationWarning"))->isVisible());
        QVERIFY(!QuickItems::find(window->contentItem(), QStringLiteral("radiusRow"))->isVisible());
    }

    // The radius segments select the stored value only; a click stores its tag.
    void radiusSegments()
    {
        SettingsFixture f(LocationManager::AuthorizedAlways, [](UserDefaults &d) {
            d.setBool(QStringLiteral("notificationsEnabled"), true);
            d.setBool(QStringLiteral("settings.locationEnabled"), true);
            d.setDouble(QStringLiteral("settings.locationRadiusKm"), 75.0);
        });
        auto window = showSettings(f.viewModel.get(), 520);
        QQuickItem *picker = QuickItems::find(window->contentItem(), QStringLiteral("radiusPicker"));
        QTRY_VERIFY_WITH_TIMEOUT(picker->isVisible(), TestWait::bound);
        QCOMPARE(picker->property("currentIndex").toInt(), -1);  // 75 is none of the tags, and stays
        QCOMPARE(f.settings->locationRadiusKm(), 75.0);
        auto *segments = picker->property("segments").value<QQuickItem *>();
        QTRY_COMPARE_WITH_TIMEOUT(segments->childItems().size(), 5, TestWait::bound);  // four segments and the repeater
        clickCentre(window.get(), segments->childItems().at(2));
        QCOMPARE(f.settings->locationRadiusKm(), 200.0);
        QCOMPARE(picker->property("currentIndex").toInt(), 2);
    }

    // Every choice of every menu can be reached and clicked, at the window's default size and
    // at its narrowest on a short screen, with every section shown.
    void menusStayInsideTheWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("picker");
        for (const QSize size : {QSize(520, 480), QSize(460, 300)}) {
            for (const char *picker : {"magnitudeThresholdPicker", "refreshPicker"})
                QTest::addRow("%dx%d %s", size.width(), size.height(), picker) << size << QString::fromLatin1(picker);
        }
    }
    void menusStayInsideTheWindow()
    {
        QFETCH(QSize, size);
        QFETCH(QString, picker);
        SettingsFixture f(LocationManager::AuthorizedAlways, [](UserDefaults &d) {
            d.setBool(QStringLiteral("notificationsEnabled"), true);
            d.setBool(QStringLiteral("settings.globalMagEnabled"), true);
            d.setBool(QStringLiteral("settings.locationEnabled"), true);
            d.setBool(QStringLiteral("settings.swarmEnabled"), true);
        });
        auto window = showSettings(f.viewModel.get(), size.width(), size.height());
        QQuickItem *item = QuickItems::find(window->contentItem(), picker);
        QTRY_VERIFY_WITH_TIMEOUT(item && item->isVisible(), TestWait::bound);
        const QStringList faults = MenuWalk::walk(window.get(), item);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // The footers of the refresh section are looked up by their Spanish sentence, which the
    // English table translates.
    void refreshFooterInEnglish()
    {
        Localization::setLocaleForTesting(QLocale(QStringLiteral("en_US")));
        SettingsFixture f;
        auto window = showSettings(f.viewModel.get(), 520);
        auto *section = QuickItems::find(window->contentItem(), QStringLiteral("autoRefreshSection"));
        f.settings->setRefreshInterval(RefreshInterval::Disabled);
        const QString manual = section->property("footer").toString();
        f.settings->setRefreshInterval(RefreshInterval::TenMinutes);
        const QString automatic = section->property("footer").toString();
        Localization::setLocaleForTesting(QLocale::c());
        QCOMPARE(manual, QStringLiteral("Updates will only happen manually."));
        QCOMPARE(automatic, QStringLiteral("The system may adjust the actual frequency to save battery."));
    }

    void formWidth_data()
    {
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<double>("formWidth");
        QTest::newRow("460") << 460 << 460.0;
        QTest::newRow("520") << 520 << 520.0;
        QTest::newRow("800") << 800 << 600.0;
    }
    void formWidth()
    {
        QFETCH(int, windowWidth);
        QFETCH(double, formWidth);
        SettingsFixture f;
        auto window = showSettings(f.viewModel.get(), windowWidth);
        QQuickItem *form = QuickItems::find(window->contentItem(), QStringLiteral("settingsForm"));
        QCOMPARE(form->width(), formWidth);
        QCOMPARE(form->x(), (windowWidth - formWidth) / 2);
    }

    void informationSheet()
    {
        QQmlComponent component(&m_engine);
        component.setData("import QtQuick\nimport Sismovantaquelorin\nWindow { width: 360; height: 600; visible: true\n"
                          "InfoView { anchors.fill: parent } }", QUrl(QStringLiteral("qrc:/test/info.qml")));
        std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow *>(component.create()));
        QVERIFY2(window, qPrintable(component.errorString()));
        QVERIFY(QTest::qWaitForWindowExposed(window.get(), TestWait::bound));

        QQuickItem *cards = QuickItems::find(window->contentItem(), QStringLiteral("infoCards"));
        QStringList labels;
        QList<QQuickItem *> badges;
        for (QQuickItem *card : cards->childItems()) {
            if (!card->property("category").isValid())
                continue;
            labels << card->property("category").toMap().value(QStringLiteral("label")).toString();
            badges << QuickItems::find(card, QStringLiteral("mercalliBadge"));
            QVERIFY(QuickItems::find(card, QStringLiteral("mercalliDescription"))->property("lineCount").toInt() >= 2);  // wraps
        }
        QCOMPARE(labels, (QStringList{"Micro", "Leve", "Moderado", "Fuerte", "Muy Fuerte"}));
        for (QQuickItem *badge : badges)
            QCOMPARE(QSizeF(badge->width(), badge->height()), QSizeF(52, 52));

        int tips = 0;
        QQuickItem *scroller = QuickItems::find(window->contentItem(), QStringLiteral("infoScroller"));
        countTips(scroller, tips);
        QCOMPARE(tips, 4);

        QQuickItem *address = QuickItems::find(window->contentItem(), QStringLiteral("infoAddress"));
        QCOMPARE(address->property("text").toString(), QStringLiteral("www.ign.es"));
        QCOMPARE(address->property("textFormat").toInt(), int(Qt::PlainText));  // no link
    }

    // The information sheet's content exists only while the sheet is open.
    void informationSheetBuiltWhileOpen()
    {
        WindowScenes::shared()->setEngine(&m_engine);
        QPointer<QQuickWindow> main = WindowScenes::shared()->openMainWindow();
        QVERIFY(main);
        QVERIFY(QTest::qWaitForWindowExposed(main, TestWait::bound));
        QObject *loader = main->findChild<QObject *>(QStringLiteral("infoViewLoader"));
        QObject *sheet = main->findChild<QObject *>(QStringLiteral("infoSheet"));
        QVERIFY(loader && sheet);
        QVERIFY(!loader->property("item").value<QObject *>());
        NamedNotifications::defaultCenter()->post(NamedNotifications::openInfo);
        QTRY_VERIFY_WITH_TIMEOUT(loader->property("item").value<QObject *>(), TestWait::bound);
        QPointer<QObject> view = loader->property("item").value<QObject *>();
        QMetaObject::invokeMethod(sheet, "close");
        QTRY_VERIFY_WITH_TIMEOUT(view.isNull(), TestWait::bound);
        WindowScenes::shared()->closeAll();
    }

    // Opening and closing the window writes nothing and restarts no periodic refresh.
    void openingTheWindowWritesNothing()
    {
        NotificationSettings *settings = NotificationSettings::shared();
        settings->setIsEnabled(true);
        settings->setLocationNotificationsEnabled(true);
        settings->setRefreshInterval(RefreshInterval::ThirtyMinutes);
        UserDefaults::standard().sync();
        const QString path = UserDefaults::standard().settings().fileName();
        const QByteArray before = readFile(path);
        QVERIFY(!before.isEmpty());
        QSignalSpy interval(settings, &NotificationSettings::refreshIntervalChanged);

        WindowScenes::shared()->setEngine(&m_engine);
        WindowScenes::shared()->openWindow(WindowScenes::settingsIdentifier);
        QPointer<QQuickWindow> window = WindowScenes::shared()->settingsWindow();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window, TestWait::bound));
        QCOMPARE(window->title(), QStringLiteral("Ajustes"));
        QTest::qWait(300);
        window->close();
        QTRY_VERIFY_WITH_TIMEOUT(!window, TestWait::bound);
        UserDefaults::standard().sync();
        QCOMPARE(interval.count(), 0);
        QCOMPARE(readFile(path), before);
        WindowScenes::shared()->closeAll();
    }

private:
    std::unique_ptr<QQuickWindow> showSettings(SettingsViewModel *vm, int width, int height = 480)
    {
        QQmlComponent component(&m_engine);
        component.setData("import QtQuick\nimport Sismovantaquelorin\nimport Sismovantaquelorin.Core\n"
                          "Window { property SettingsViewModel vm; visible: true\n"
                          "SettingsView { anchors.fill: parent; viewModel: vm } }",
                          QUrl(QStringLiteral("qrc:/test/settings.qml")));
        std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow *>(
            component.createWithInitialProperties({{QStringLiteral("vm"), QVariant::fromValue(vm)},
                                                   {QStringLiteral("width"), width},
                                                   {QStringLiteral("height"), height}})));
        if (!window) {
            qWarning() << component.errorString();
            return window;
        }
        QTest::qWaitForWindowExposed(window.get(), TestWait::bound);
        return window;
    }

    static void collectSections(QQuickItem *item, QList<QQuickItem *> &out)
    {
        for (QQuickItem *child : item->childItems()) {
            if (child->objectName().endsWith(QLatin1String("Section"))) {
                if (child->isVisible())
                    out << child;
                continue;
            }
            collectSections(child, out);
        }
    }

    static void countTips(QQuickItem *item, int &count)
    {
        for (QQuickItem *child : item->childItems()) {
            if (child->property("modelData").toMap().contains(QStringLiteral("detail")))
                ++count;
            countTips(child, count);
        }
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QQmlEngine m_engine;
};

QTEST_MAIN(TestSettingsScreen)
#include "tst_settings_screen.moc"
