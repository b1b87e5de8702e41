// The program's icons, drawn from the desktop style's standard set.
#pragma once

#include <QIcon>

namespace controls {

// Tree image by index: 0 inbox, 1 sent, 2 drafts, 3 all, 4 trash, 5 folder,
// 6 open folder, 7 database root, 8 contact, 9 calendar.
QIcon TreeImage(int index);
// The image of a contact row in the item list, and of a group's row.
QIcon ContactRowImage();
QIcon GroupRowImage();
// The application's icon, and its picture at one size.
QIcon AppIcon();
QPixmap AppIconPixmap(int size);
// A picture with the product name, for the logo and the about box.
QPixmap ProductBanner(int width, int height);

}  // namespace controls
