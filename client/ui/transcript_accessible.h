// What a screen reader sees of the transcript pane, which draws its own
// text: a read-only, multi-line text with its lines, selection and caret.
#pragma once

class QObject;
class QAccessibleInterface;
class QString;

// Installed once by the first pane; gives every TranscriptPane its interface.
QAccessibleInterface* TranscriptAccessibleFactory(const QString& className, QObject* object);
