#include "box_presenter.h"

#include <QGuiApplication>
#include <QMessageBox>

BoxPresenter& ModalBoxPresenter()
{
    struct Modal final : BoxPresenter {
        void Present(QMessageBox& box) override
        {
            if (!NobodyCanAnswerBoxes())
                box.exec();
        }
    };
    static Modal modal;
    return modal;
}

bool NobodyCanAnswerBoxes()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}
