#pragma once

#include <QIcon>

// The program's icon for the window and the tray, drawn at run time so the
// program needs no resource files.
QIcon ApplicationIcon();
