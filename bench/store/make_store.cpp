// make_store <path> <count> [recent-count]: a store of generated events for renders and start-up figures.
#include "StoreGenerator.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_store <path> <count> [recent-count]\n");
        return 2;
    }
    StoreGenerator::Options options;
    options.count = QByteArray(argv[2]).toInt();
    options.recentCount = argc > 3 ? QByteArray(argv[3]).toInt() : std::min(options.count, 200);
    QString error;
    if (!StoreGenerator::generate(QString::fromLocal8Bit(argv[1]), options, &error)) {
        std::fprintf(stderr, "make_store: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
