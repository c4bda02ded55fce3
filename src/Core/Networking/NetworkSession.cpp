#include "NetworkSession.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPointer>

QNetworkAccessManager *NetworkSession::shared()
{
    static QPointer<QNetworkAccessManager> session;
    if (!session) {
        session = new QNetworkAccessManager(QCoreApplication::instance());
        session->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return session;
}
