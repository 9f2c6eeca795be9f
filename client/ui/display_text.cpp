#include "display_text.h"

#include <array>
#include <cstdint>

#include <QByteArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVariant>

namespace {

// Windows-1252's 0x80..0x9F. The five unassigned bytes keep their Latin-1
// (C1 control) values, so every byte has a character and none is lost.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString FromCp1252(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

// Each field remembers the bytes it was filled with and the text shown for
// them; an unchanged text gives the bytes back.
constexpr const char* kBytesProperty = "quenloFieldBytes";
constexpr const char* kShownProperty = "quenloFieldShown";

void Remember(QObject* edit, std::string_view bytes, const QString& shown)
{
    edit->setProperty(kBytesProperty, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    edit->setProperty(kShownProperty, shown);
}

std::string Recall(const QObject* edit, const QString& now)
{
    const QVariant shown = edit->property(kShownProperty);
    if (shown.isValid() && shown.toString() == now)
        return edit->property(kBytesProperty).toByteArray().toStdString();
    return TypedBytes(now);
}

}  // namespace

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t min = 0;
        std::uint32_t code = 0;
        if ((b0 & 0xE0) == 0xC0) {
            length = 2, min = 0x80, code = b0 & 0x1F;
        } else if ((b0 & 0xF0) == 0xE0) {
            length = 3, min = 0x800, code = b0 & 0x0F;
        } else if ((b0 & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, code = b0 & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (b & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not UTF-8.
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

QString DisplayText(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return FromCp1252(bytes);
}

std::string TypedBytes(const QString& text)
{
    return text.toUtf8().toStdString();
}

void SetFieldBytes(QLineEdit* edit, std::string_view bytes)
{
    edit->setText(DisplayText(bytes));
    // The field may have cut the text to its maximum length; remember what it shows.
    Remember(edit, bytes, edit->text());
}

std::string FieldBytes(const QLineEdit* edit)
{
    return Recall(edit, edit->text());
}

void SetFieldBytes(QPlainTextEdit* edit, std::string_view bytes)
{
    edit->setPlainText(DisplayText(bytes));
    Remember(edit, bytes, edit->toPlainText());
}

std::string FieldBytes(const QPlainTextEdit* edit)
{
    return Recall(edit, edit->toPlainText());
}
