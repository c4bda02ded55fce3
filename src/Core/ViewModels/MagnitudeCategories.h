#pragma once

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The five magnitude categories for QML, in category order, each as
// {value (enum), rawValue, label, description, range, color}. Texts are looked up at each read.
class MagnitudeCategories : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QVariantList allCases READ allCases CONSTANT)
public:
    using QObject::QObject;

    static QVariantList allCases();
};
