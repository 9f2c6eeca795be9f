#include "box_presenter.h"

#include <QGuiApplication>
#include <QMessageBox>

BoxPresenter& ModalBoxPresenter()
{
    struct Modal final : BoxPresenter {
        void Present(QMessageBox& box) override
        {
            // On the offscreen and minimal platforms nobody could answer it
            // (what it says is on standard error too).
            const QString platform = QGuiApplication::platformName();
            if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
                return;
            box.exec();
        }
    };
    static Modal modal;
    return modal;
}
