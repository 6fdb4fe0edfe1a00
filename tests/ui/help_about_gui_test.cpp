// The help window's two commands, the Help menu and the about box.
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "shell_test_support.h"
#include "widgets/help.h"
#include "widgets/help_viewer.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;
using shell_test::whenModal;

const QString kHelpFile = QStringLiteral("Kelpo Help.chm");

QList<HelpViewer*> visibleViewers() {
    QList<HelpViewer*> viewers;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* viewer = qobject_cast<HelpViewer*>(widget);
        if (viewer && viewer->isVisible()) viewers.append(viewer);
    }
    return viewers;
}

class HelpGui : public shell_test::ShownWindowTest<MainWindow> {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        // The topics of the source tree stand in for those beside the program.
        QDir::setCurrent(QStringLiteral(KELPO_SOURCE_DIR));
    }
    void TearDown() override {
        CloseAllHelp();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(HelpGui, TopicsOpenInOneHelpWindowThatCloseAllHelpCloses) {
    child<QAction>(window, "mnuHelpHelp").trigger();
    ASSERT_EQ(visibleViewers().size(), 1);
    EXPECT_EQ(visibleViewers().front()->currentTopic(), QStringLiteral("Getting Started.htm"));

    ShowHelpTopic(kHelpFile, QStringLiteral("Results.htm"));
    ASSERT_EQ(visibleViewers().size(), 1);
    EXPECT_EQ(visibleViewers().front()->currentTopic(), QStringLiteral("Results.htm"));

    CloseAllHelp();
    EXPECT_TRUE(visibleViewers().isEmpty());
    EXPECT_TRUE(log.texts.isEmpty());
}

TEST_F(HelpGui, AMissingTopicShowsNothingAndSaysNothing) {
    ShowHelpTopic(kHelpFile, QStringLiteral("No Such Topic.htm"));
    QDir::setCurrent(QDir::tempPath());
    ShowHelpTopic(kHelpFile, QStringLiteral("Getting Started.htm"));
    EXPECT_TRUE(visibleViewers().isEmpty());
    EXPECT_TRUE(log.texts.isEmpty());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(HelpGui, ExitClosesTheHelpWindows) {
    ShowHelpTopic(kHelpFile, QStringLiteral("Results.htm"));
    ASSERT_EQ(visibleViewers().size(), 1);
    whenModal([](QWidget& dialog) { QTest::mouseClick(&child<QPushButton>(dialog, "cmdYes"), Qt::LeftButton); });
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(visibleViewers().isEmpty());
}

TEST_F(HelpGui, AboutBoxShowsTheVersionUntilClosed) {
    const auto seen = whenModal([](QWidget& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmAbout"));
        EXPECT_EQ(child<QLabel>(dialog, "Label2").text(), QStringLiteral("Version 1.0"));
        QTest::mouseClick(&child<QPushButton>(dialog, "cmdClose"), Qt::LeftButton);
    });
    child<QAction>(window, "mnuHelpAbout").trigger();
    EXPECT_TRUE(*seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace kelpo::ui
