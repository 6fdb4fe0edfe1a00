// The advanced options and dimensions dialogs: their checks in order, what they
// store and show again, and Cancel.
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "grid/dimensions_dialog.h"
#include "shell_test_support.h"
#include "ui/advanced_dialog.h"

namespace kelpo::ui {
namespace {

using shell_test::child;
using shell_test::MessageLog;

const QString kError10 = QStringLiteral("Error 10: Number of iterations must be an integer greater than 0.");
const QString kWarning11 = QStringLiteral(
    "Warning: Simulating with fewer than 100 iterations may yield unreliable results. Continue? (Error 11)");
const QString kError12 = QStringLiteral("Error 12: Random seed must be an integer greater than 0");
const QString kWarning13 = QStringLiteral(
    "Warning: Fewer than 25000 iterations for the hypothesis test may yield unreliable results. Continue? (Error 13)");

// The four boxes: matrices per distribution, seed, iterations, test seed.
struct Submitted {
    QStringList texts;
    Answer answer;
    QStringList messages;
    bool accepted;
    std::int32_t matrices, seed, iterations;  // stored when accepted
    QStringList shownAgain;                   // by the next opening
};

TEST(AdvancedDialogGui, ChecksRunInOrderARefusalStoresNothingAndStoredValuesShowAgain) {
    const QStringList design{"100", "0", "100000", "0"};
    const Submitted cases[] = {
        {{"0", "0", "100000", "0"}, Answer::Yes, {kError10}, false, 0, 0, 0, design},
        {{"3000000000", "0", "100000", "0"}, Answer::Yes, {kError10}, false, 0, 0, 0, design},
        {{"99", "-1", "100000", "0"}, Answer::No, {kWarning11}, false, 0, 0, 0, design},
        {{"100", "-1", "100000", "0"}, Answer::Yes, {kError12}, false, 0, 0, 0, design},
        {{"100", "3000000000", "100000", "0"}, Answer::Yes, {kError12}, false, 0, 0, 0, design},
        {{"100", "0", "2147483650", "0"}, Answer::Yes, {kError10}, false, 0, 0, 0, design},
        {{"100", "0", "24999", "0"}, Answer::No, {kWarning13}, false, 0, 0, 0, design},
        {{"100", "0", "100000", "-1"}, Answer::Yes, {kError12}, false, 0, 0, 0, design},
        {{"99", "0", "24999", "-1"}, Answer::Yes, {kWarning11, kWarning13, kError12}, false, 0, 0, 0, design},
        {{"100", "0", "25000", "0"}, Answer::Yes, {}, true, 100, 0, 2500, {"100", "0", "25000", "0"}},
        {{"100", "12abc", "25005", ""}, Answer::Yes, {}, true, 100, 12, 2500, {"100", "12", "25000", "0"}},
        {{"100", "12", "25015", "0"}, Answer::Yes, {}, true, 100, 12, 2502, {"100", "12", "25020", "0"}},
        {{"2.5", "7", "5", "9"}, Answer::Yes, {kWarning11, kWarning13}, true, 2, 7, 0, {"2", "7", "100000", "9"}},
    };
    QWidget owner;
    AnalysisSettings settings;
    for (const Submitted& c : cases) {
        const std::string name = c.texts.join(u' ').toStdString();
        QPointer<AdvancedDialog> dialog = new AdvancedDialog(&owner, settings);  // deletes itself when closed
        dialog->show();
        const char* const boxes[] = {"txt1", "txt2", "txt3", "txt4"};
        for (int b = 0; b < 4; ++b) child<QLineEdit>(*dialog, boxes[b]).setText(c.texts[b]);
        {
            MessageLog log(c.answer);
            QTest::mouseClick(&child<QPushButton>(*dialog, "cmdOK"), Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_EQ(log.texts, c.messages) << name;
        }
        EXPECT_EQ(dialog.isNull(), c.accepted) << name;
        if (dialog) EXPECT_EQ(dialog->parentWidget(), nullptr) << name;  // a refused OK leaves it unowned
        if (dialog) dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (c.accepted) {
            EXPECT_EQ((std::vector<std::int32_t>{settings.matricesPerDistribution, settings.simulationSeed, settings.iterations}),
                      (std::vector<std::int32_t>{c.matrices, c.seed, c.iterations})) << name;
        } else {
            EXPECT_EQ(settings.iterations + settings.matricesPerDistribution, 0) << name;
        }
        AdvancedDialog again(&owner, settings);
        again.show();
        QStringList shown;
        for (const char* box : boxes) shown << child<QLineEdit>(again, box).text();
        EXPECT_EQ(shown, c.shownAgain) << name;
    }
}

TEST(DimensionsDialogGui, ChecksRowsThenColumnsAndRewritesWhatItAccepts) {
    MessageLog log;
    QStringList applied;
    DimensionsDialog dialog(nullptr, QStringLiteral("20"), QStringLiteral("20"),
                            [&applied](const QString& r, const QString& c) { applied.append(r + 'x' + c); });
    const struct { const char *rows, *cols, *message, *rowsShown, *applied; } cases[] = {
        {"0", "0", "Error 01: Number of rows must be greater than 0", "0", nullptr},
        {"32768", "0", "Error 02: Number of rows cannot exceed 32767", "32768", nullptr},
        {"-3", "5", "Error 01: Number of rows must be greater than 0", "-3", nullptr},
        {"12abc", "0", "Error 03: Number of columns must be greater than 0", "12", nullptr},
        {"5", "40000", "Error 04: Number of columns cannot exceed 32767", "5", nullptr},
        {" 7 ", "32767", nullptr, "7", "7x32767"},
        {"1", "3.5", nullptr, "1", "1x3.5"}};  // a fraction is left for the resize to round
    for (const auto& c : cases) {
        dialog.show();
        log.texts.clear();
        applied.clear();
        child<QLineEdit>(dialog, "txtRows").setText(QString::fromLatin1(c.rows));
        child<QLineEdit>(dialog, "txtCols").setText(QString::fromLatin1(c.cols));
        QTest::mouseClick(&child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
        EXPECT_EQ(log.texts, c.message ? QStringList{QString::fromLatin1(c.message)} : QStringList()) << c.rows;
        EXPECT_EQ(child<QLineEdit>(dialog, "txtRows").text(), QString::fromLatin1(c.rowsShown));
        EXPECT_EQ(applied, c.applied ? QStringList{QString::fromLatin1(c.applied)} : QStringList()) << c.rows;
        EXPECT_EQ(dialog.isVisible(), c.message != nullptr);
    }
}

}  // namespace
}  // namespace kelpo::ui
