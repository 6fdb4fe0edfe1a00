#include "widgets/help.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "widgets/help_viewer.h"

namespace kelpo::ui {

namespace {

// The open help windows are the visible top-level HelpViewer widgets; no list is
// kept. A closed one is hidden and already scheduled for deletion.
QList<HelpViewer*> openViewers() {
    QList<HelpViewer*> viewers;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* viewer = qobject_cast<HelpViewer*>(widget);
        if (viewer && viewer->isVisible()) viewers.append(viewer);
    }
    return viewers;
}

}  // namespace

void ShowHelpTopic(const QString& file, const QString& topic) {
    const QString path = QDir::current().filePath(QStringLiteral("help/") + topic);
    if (!QFileInfo(path).isFile()) return;
    const QList<HelpViewer*> viewers = openViewers();
    HelpViewer* viewer = viewers.isEmpty() ? new HelpViewer(QFileInfo(file).completeBaseName()) : viewers.front();
    viewer->showTopic(path);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

void CloseAllHelp() {
    for (HelpViewer* viewer : openViewers()) viewer->close();
}

}  // namespace kelpo::ui
