#include "app_icon.h"

QIcon ApplicationIcon()
{
    // The installed theme icon where there is one, so the window matches the
    // launcher; otherwise the same pictures, built into the program.
    QIcon builtIn;
    for (int size : {16, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/icons/quenlo-%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("quenlo"), builtIn);
}
