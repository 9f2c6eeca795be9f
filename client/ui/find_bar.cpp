#include "find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

#include "transcript_pane.h"

FindBar::FindBar(TranscriptPane& pane, QWidget* scope, QWidget* parent)
    : QWidget(parent), pane_(pane), word_(new QLineEdit(this)), count_(new QLabel(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("F&ind:"), this);
    label->setBuddy(word_);
    layout->addWidget(label);
    layout->addWidget(word_, 1);
    layout->addWidget(count_);
    word_->setAccessibleName(QStringLiteral("Find"));
    word_->installEventFilter(this);
    QObject::connect(word_, &QLineEdit::textChanged, this, [this](const QString& text) {
        pane_.SetFindWord(text);
        pane_.FindStep(true);
        ShowCount();
    });
    pane_.findCountChanged = [this] { ShowCount(); };
    auto shortcut = [scope](const QKeySequence& keys, auto run) {
        auto* s = new QShortcut(keys, scope);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(s, &QShortcut::activated, scope, run);
    };
    shortcut(QKeySequence::Find, [this] { Open(); });
    shortcut(QKeySequence(Qt::Key_F3), [this] { pane_.FindStep(true); });
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { pane_.FindStep(false); });
    hide();
}

void FindBar::Open()
{
    show();
    word_->setFocus();
    word_->selectAll();
}

void FindBar::Close()
{
    word_->clear();
    hide();
    pane_.setFocus();
}

QString FindBar::CountText() const
{
    return count_->text();
}

void FindBar::ShowCount()
{
    const std::size_t count = pane_.FindCount();
    count_->setText(word_->text().isEmpty() ? QString()
                    : count == 1            ? QStringLiteral("1 match")
                                            : QStringLiteral("%1 matches").arg(count));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    // Escape closes the bar before any window shortcut sees it.
    if (watched == word_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    if (watched == word_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            Close();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            pane_.FindStep((key->modifiers() & Qt::ShiftModifier) == 0);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
