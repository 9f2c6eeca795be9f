// The one place where the client's 8-bit texts meet Qt's strings.
//
// The logic, the transcript, the log and the wire keep bytes as they came.
// Only for display are they decoded: a text that is valid UTF-8 shows as
// UTF-8, anything else as Windows-1252 (what older clients of this service
// send), so a Latin-1 message shows its accented letters instead of
// replacement characters. Text the user types goes out as UTF-8.
#pragma once

#include <string>
#include <string_view>

#include <QString>

class QLineEdit;
class QPlainTextEdit;

bool IsValidUtf8(std::string_view bytes);
QString DisplayText(std::string_view bytes);
std::string TypedBytes(const QString& text);

// Edit fields that show a stored 8-bit value: reading a field the user has
// not changed gives back exactly the bytes it was filled with, even when
// they were not UTF-8.
void SetFieldBytes(QLineEdit* edit, std::string_view bytes);
std::string FieldBytes(const QLineEdit* edit);
void SetFieldBytes(QPlainTextEdit* edit, std::string_view bytes);
std::string FieldBytes(const QPlainTextEdit* edit);
