#include "app_icon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

// Draws a given icon and answers to a theme name.
class NamedIconEngine final : public QIconEngine {
public:
    NamedIconEngine(QIcon icon, QString name) : icon_(std::move(icon)), name_(std::move(name)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon_.paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon_.actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon_.pixmap(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon_.availableSizes(mode, state);
    }
    QString iconName() override { return name_; }
    QString key() const override { return QStringLiteral("quenlo-named"); }
    QIconEngine* clone() const override { return new NamedIconEngine(icon_, name_); }

private:
    QIcon icon_;
    QString name_;
};

QIcon BuiltInIcon()
{
    QIcon builtIn;
    for (int size : kSizes)
        builtIn.addFile(QStringLiteral(":/icons/quenlo-%1.png").arg(size), QSize(size, size));
    return builtIn;
}

}  // namespace

QIcon ApplicationIcon()
{
    const QIcon themed = QIcon::fromTheme(QStringLiteral("quenlo"));
    if (!themed.isNull() && !themed.name().isEmpty())
        return themed;
    return QIcon(new NamedIconEngine(BuiltInIcon(), QStringLiteral("quenlo")));
}

QIcon AttentionIcon()
{
    const QIcon base = ApplicationIcon();
    QIcon marked;
    for (int size : kSizes) {
        QPixmap picture = base.pixmap(QSize(size, size));
        if (picture.isNull())
            continue;
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        const int mark = std::max(6, size * 3 / 8);
        const QRectF dot(size - mark, 0, mark, mark);
        painter.setPen(QPen(Qt::white, std::max(1.0, size / 32.0)));
        painter.setBrush(QColor(0xd0, 0x20, 0x20));
        painter.drawEllipse(dot.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.end();
        marked.addPixmap(picture);
    }
    return marked;
}
