#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// Where the data comes from, for the information screen: the address of the institute's
// public web site (the host of the catalogue page).
class DataSourceInfo : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString providerAddress READ providerAddress CONSTANT)
public:
    using QObject::QObject;

    static QString providerAddress();
};
