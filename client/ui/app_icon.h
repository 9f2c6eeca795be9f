#pragma once

#include <QIcon>

// The program's icon for the window and the tray: the installed theme's
// "quenlo" where there is one, else the same pictures built into the
// program. Either way the icon carries the theme name, so a tray that asks
// for a name gets "quenlo" and one that asks for pictures gets them.
QIcon ApplicationIcon();
// The same with a mark in a corner: messages are waiting to be read. It has
// no theme name of its own, so a tray shows its pictures.
QIcon AttentionIcon();
