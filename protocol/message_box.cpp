#include "message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <cstdio>

namespace tocwire {

void ShowProtocolMessage(void* ownerWindow, const char* text)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Protocol Module"), QString::fromUtf8(text),
                        QMessageBox::Ok, static_cast<QWidget*>(ownerWindow));
        box.exec();
        return;
    }
    std::fprintf(stderr, "Protocol Module: %s\n", text);
    std::fflush(stderr);
}

}  // namespace tocwire
