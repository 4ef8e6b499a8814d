#pragma once

#include <QIcon>
#include <QPixmap>
#include <vector>

namespace quarn {

// The window's small pictures, painted rather than loaded.

// The consoles' gutter marks by index: 0 none (a null pixmap), 1 marked for erasing, 2 a plain mark,
// 3 marked for reading, 4 a mailbox-list line, 5 connected, 6 disconnected; 8 x 9 pixels each.
std::vector<QPixmap> GutterBilderMalen();

// A channel button's state: 0 plain, 1 connected or active, 2 unseen text; 10 x 13 pixels.
QPixmap KanalZustandBild(int index);

// The status bar's device light: red while a device is not ready, else green.
QPixmap GeraeteStatusBild(bool notReady);

// The picture of the menus and the command toolbar by index (0 connect, 1 disconnect, 2 send, 3 save,
// 5 settings, 6 language, 9 stop while a transfer runs, 10 stop, 11 stations, 13 to 16 cut, copy, paste,
// delete, 17 to 20 the mailbox-list marks); 16 x 16 pixels, a null icon for an index without one.
QIcon BefehlBild(int index);

} // namespace quarn
