// frmAbout: the program's name, version and notice.
#pragma once

class QWidget;

namespace kelpo::ui {

// Shows frmAbout modal, owned by owner, until Close.
void showAbout(QWidget* owner);

}  // namespace kelpo::ui
