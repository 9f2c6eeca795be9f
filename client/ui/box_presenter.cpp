#include "box_presenter.h"

#include <QMessageBox>

BoxPresenter& ModalBoxPresenter()
{
    struct Modal final : BoxPresenter {
        void Present(QMessageBox& box) override { box.exec(); }
    };
    static Modal modal;
    return modal;
}
