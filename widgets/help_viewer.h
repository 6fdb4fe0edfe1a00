// The help window: shows the HTML topics of the program's help/ folder and follows
// the links between them.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace kelpo::ui {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(const QString& title);

    // Shows the topic file at path (an existing HTML file).
    void showTopic(const QString& path);
    QString currentTopic() const;  // the file name of the topic shown

private:
    QTextBrowser* browser_;
};

}  // namespace kelpo::ui
