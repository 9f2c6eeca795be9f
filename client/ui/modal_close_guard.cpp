#include "modal_close_guard.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QWidget>

namespace {

// Long enough that an event loop told to exit has returned before the next
// look (it leaves after its current pass), short enough to go unnoticed.
constexpr int kCheckIntervalMs = 10;

int LoopLevel()
{
    return QThread::currentThread()->loopLevel();
}

}  // namespace

void CloseModalWidgets()
{
    // Boxes can be stacked; a widget that refuses to close ends the walk.
    for (int i = 0; i < 32; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            return;
    }
}

ModalCloseGuard::ModalCloseGuard(std::function<void()> retry) : retry_(std::move(retry))
{
    timer_.setSingleShot(true);
    timer_.setInterval(kCheckIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
}

bool ModalCloseGuard::MayCloseNow()
{
    if (waiting_)
        return false;
    if (QApplication::activeModalWidget() == nullptr)
        return true;
    waiting_ = true;
    lastLoopLevel_ = LoopLevel();
    CloseModalWidgets();
    timer_.start();
    return false;
}

void ModalCloseGuard::Check()
{
    const int level = LoopLevel();
    if (QApplication::activeModalWidget() != nullptr) {
        CloseModalWidgets();
        lastLoopLevel_ = level;
        timer_.start();
        return;
    }
    // A loop that returned since the last look may have had another closed
    // box's loop below it, still unwinding: look again until the level holds.
    if (level < lastLoopLevel_) {
        lastLoopLevel_ = level;
        timer_.start();
        return;
    }
    waiting_ = false;
    retry_();
}
