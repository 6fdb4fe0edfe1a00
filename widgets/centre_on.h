// Places a top-level window over the middle of another before it is shown, so it
// does not depend on a window manager to appear where the user is looking.
#pragma once

class QWidget;

namespace kelpo {

// Moves window so that its centre is owner's centre, kept on owner's screen.
void centreOn(QWidget& window, const QWidget& owner);

}  // namespace kelpo
