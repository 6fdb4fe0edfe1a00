// The advanced options dialog: its checks and messages in order, and what it stores.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "shell_test_support.h"
#include "ui/advanced_dialog.h"

namespace kelpo::ui {
namespace {

const QString kError10 = QStringLiteral("Error 10: Number of iterations must be an integer greater than 0.");
const QString kWarning11 = QStringLiteral(
    "Warning: Simulating with fewer than 100 iterations may yield unreliable results. Continue? (Error 11)");
const QString kError12 = QStringLiteral("Error 12: Random seed must be an integer greater than 0");
const QString kWarning13 = QStringLiteral(
    "Warning: Fewer than 25000 iterations for the hypothesis test may yield unreliable results. Continue? (Error 13)");

// The four boxes: per distribution, its seed, iterations, the test seed.
using Texts = QStringList;
const Texts kDesign = {QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("100000"), QStringLiteral("0")};
const char* const kBoxes[] = {"txt1", "txt2", "txt3", "txt4"};

Texts with(int box, const QString& text) {
    Texts texts = kDesign;
    texts[box] = text;
    return texts;
}

class AdvancedDialogTest : public ::testing::Test {
protected:
    void TearDown() override { closeDialog(); }

    void closeDialog() {
        if (dialog_) dialog_->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opens a fresh dialog; returns what its boxes show.
    Texts open() {
        closeDialog();
        dialog_ = new AdvancedDialog(&owner_, settings_);  // deletes itself when closed
        dialog_->show();
        Texts shown;
        for (const char* box : kBoxes) shown << box_(box).text();
        return shown;
    }

    // Opens, types, presses OK; true when the dialog accepted and went away.
    bool submit(const Texts& texts, Answer answer = Answer::Yes) {
        open();
        for (int i = 0; i < 4; ++i) box_(kBoxes[i]).setText(texts[i]);
        log_.reset();  // responders nest: the old one must go before the new one comes
        log_ = std::make_unique<shell_test::MessageLog>(answer);
        QTest::mouseClick(&shell_test::child<QPushButton>(*dialog_, "cmdOK"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog_.isNull();
    }

    QLineEdit& box_(const char* name) { return shell_test::child<QLineEdit>(*dialog_, name); }

    QWidget owner_;
    AnalysisSettings settings_;
    QPointer<AdvancedDialog> dialog_;
    std::unique_ptr<shell_test::MessageLog> log_;
};

TEST_F(AdvancedDialogTest, ChecksRunInTheirOrderAndARefusalStoresNothing) {
    struct Case {
        Texts texts;
        Answer answer;
        QStringList messages;
    };
    const Case refused[] = {
        {with(0, QStringLiteral("0")), Answer::Yes, {kError10}},
        {with(0, QStringLiteral("3000000000")), Answer::Yes, {kError10}},  // beyond 32 bits
        {{QStringLiteral("99"), QStringLiteral("-1"), kDesign[2], kDesign[3]}, Answer::No, {kWarning11}},
        {with(1, QStringLiteral("-1")), Answer::Yes, {kError12}},
        {with(1, QStringLiteral("3000000000")), Answer::Yes, {kError12}},
        {with(2, QStringLiteral("2147483650")), Answer::Yes, {kError10}},  // ten times its tenth overflows
        {with(2, QStringLiteral("24999")), Answer::No, {kWarning13}},
        {with(3, QStringLiteral("-1")), Answer::Yes, {kError12}},
        {{QStringLiteral("99"), kDesign[1], QStringLiteral("24999"), QStringLiteral("-1")}, Answer::Yes,
         {kWarning11, kWarning13, kError12}},
    };
    for (const Case& c : refused) {
        const std::string name = c.texts.join(u' ').toStdString();
        EXPECT_FALSE(submit(c.texts, c.answer)) << name;
        EXPECT_EQ(log_->texts, c.messages) << name;
        EXPECT_EQ(box_("txt1").text(), c.texts[0]) << "the user's texts stay";
        EXPECT_EQ(settings_.matricesPerDistribution, 0) << name;
        EXPECT_EQ(settings_.iterations, 0) << name;
    }
    EXPECT_TRUE(submit({QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("25000"), QString()}));
    EXPECT_TRUE(log_->texts.isEmpty());
}

TEST_F(AdvancedDialogTest, StoresHalvesToEvenAndShowsTheStoredValuesAgain) {
    EXPECT_EQ(open(), kDesign);
    EXPECT_TRUE(submit({QStringLiteral("100"), QStringLiteral("12abc"), QStringLiteral("25005"), QString()}));
    EXPECT_EQ(settings_.simulationSeed, 12);
    EXPECT_EQ(settings_.iterations, 2500);
    EXPECT_EQ(settings_.testSeed, 0);
    EXPECT_EQ(open(), (Texts{QStringLiteral("100"), QStringLiteral("12"), QStringLiteral("25000"), kDesign[3]}));

    EXPECT_TRUE(submit(with(2, QStringLiteral("25015"))));
    EXPECT_EQ(settings_.iterations, 2502);
    EXPECT_EQ(open()[2], QStringLiteral("25020"));

    EXPECT_TRUE(submit({QStringLiteral("2.5"), QStringLiteral("7"), QStringLiteral("5"), QStringLiteral("9")}));
    EXPECT_EQ(log_->texts, (QStringList{kWarning11, kWarning13}));
    EXPECT_EQ(settings_.matricesPerDistribution, 2);
    EXPECT_EQ(settings_.iterations, 0);  // the next run uses the default
    EXPECT_EQ(open(), (Texts{QStringLiteral("2"), QStringLiteral("7"), QStringLiteral("100000"), QStringLiteral("9")}));

    const AnalysisSettings before = settings_;
    for (int i = 0; i < 4; ++i) box_(kBoxes[i]).setText(QStringLiteral("123"));
    QTest::mouseClick(&shell_test::child<QPushButton>(*dialog_, "cmdCancel"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog_.isNull());
    EXPECT_EQ(settings_.matricesPerDistribution, before.matricesPerDistribution);
    EXPECT_EQ(settings_.simulationSeed, before.simulationSeed);
    EXPECT_EQ(settings_.iterations, before.iterations);
    EXPECT_EQ(settings_.testSeed, before.testSeed);
}

TEST_F(AdvancedDialogTest, OpensModalAndARefusalLeavesItOpenWithoutModality) {
    shell_test::MessageLog log;
    QPointer<QWidget> seen;
    const auto modal = shell_test::whenModal([&seen](QWidget& dialog) {
        seen = &dialog;
        shell_test::child<QLineEdit>(dialog, "txt1").setText(QStringLiteral("0"));
        QTest::mouseClick(&shell_test::child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    showAdvancedOptions(&owner_, settings_);  // returns once the refusal hid the dialog
    ASSERT_TRUE(*modal);
    ASSERT_FALSE(seen.isNull());
    EXPECT_EQ(log.texts, QStringList{kError10});
    EXPECT_TRUE(seen->isVisible());
    EXPECT_EQ(seen->windowModality(), Qt::NonModal);
    EXPECT_EQ(seen->parentWidget(), nullptr);  // nor owned
    seen->close();
}

}  // namespace
}  // namespace kelpo::ui
