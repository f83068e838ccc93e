// Rewrites one large value in a store for ever, printing a line after each
// completed write, until it is killed.
#include "settings/QtSettingsStore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QtSettingsStore store(QString::fromLocal8Bit(argv[1]));
    const QString values[2] = {QStringLiteral("A").repeated(200000), QStringLiteral("B").repeated(200000)};
    for (unsigned long n = 0;; ++n) {
        if (!store.write(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Payload"),
                         values[n % 2]))
            return 1;
        std::printf("%lu\n", n);
        std::fflush(stdout);
    }
}
