// The two help commands: show a topic in the help window, close every help window.
#pragma once

#include <QString>

namespace kelpo::ui {

// Shows topic (an HTML file name such as "Getting Started.htm") of the help beside
// the program: the folder help/ of the current folder, which the main window makes
// the program's folder at start. file names the help set ("Kelpo Help.chm") and
// gives the window its title. A missing topic shows nothing and reports nothing.
void ShowHelpTopic(const QString& file, const QString& topic);

// Closes every help window that ShowHelpTopic opened.
void CloseAllHelp();

}  // namespace kelpo::ui
