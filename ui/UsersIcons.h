#pragma once
#include <QIcon>
#include <QList>

// The 17 pictures of 16 by 16 pixels of the groups-and-users window's image list, in their order:
// green plus, red cross, sheet with pencil, green sheet with gear, two persons, open door, person with
// green plus, person with pencil, person with red cross, blue information sign, bulleted list, green tick,
// red circle with white cross, two gears, folder with gear, green circle with up arrow, red circle with
// down arrow.
constexpr int kActiveIconCount = 17;
QList<QIcon> DrawActiveIcons();
// The membership buttons: a green circle with an arrow to the left, or a red one with an arrow to the right.
QIcon DrawMoveIcon(bool toTheLeft);
