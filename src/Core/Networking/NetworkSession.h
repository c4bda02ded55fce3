#pragma once

class QNetworkAccessManager;

// The process-wide network access through which the catalogue is downloaded.
class NetworkSession {
public:
    // Created on first use (needs a running QCoreApplication) and owned by the application
    // object, so it goes away with it. Redirects are followed, but never from HTTPS to HTTP;
    // TLS peers are verified (Qt's default, left untouched).
    static QNetworkAccessManager *shared();
};
