#include "widgets/centre_on.h"

#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace kelpo {

void centreOn(QWidget& window, const QWidget& owner) {
    QRect placed(QPoint(), window.frameGeometry().size());
    placed.moveCenter(owner.frameGeometry().center());
    if (const QScreen* screen = owner.screen()) {
        // Never off the screen's edge, where the title bar could not be reached.
        const QRect room = screen->availableGeometry();
        placed.moveLeft(std::clamp(placed.left(), room.left(), std::max(room.left(), room.left() + room.width() - placed.width())));
        placed.moveTop(std::clamp(placed.top(), room.top(), std::max(room.top(), room.top() + room.height() - placed.height())));
    }
    window.move(placed.topLeft());
}

}  // namespace kelpo
