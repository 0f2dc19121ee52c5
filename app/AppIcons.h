#pragma once
#include <QIcon>
#include <QPixmap>

// The application's icon: a television set.
QIcon ApplicationIcon();
// The 32 by 32 icon of 16 colours of the login dialog: a grey padlock with a key beside it.
QPixmap PadlockKeyPixmap();
