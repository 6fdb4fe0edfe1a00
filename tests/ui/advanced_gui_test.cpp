// The advanced options dialog: its checks and messages in order, and what it stores.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "ui/advanced_dialog.h"
#include "ui/message_box.h"

namespace kelpo::ui {
namespace {

const QString kError10 = QStringLiteral("Error 10: Number of iterations must be an integer greater than 0.");
const QString kWarning11 = QStringLiteral(
    "Warning: Simulating with fewer than 100 iterations may yield unreliable results. Continue? (Error 11)");
const QString kError12 = QStringLiteral("Error 12: Random seed must be an integer greater than 0");
const QString kWarning13 = QStringLiteral(
    "Warning: Fewer than 25000 iterations for the hypothesis test may yield unreliable results. Continue? (Error 13)");

struct Texts {
    QString perDistribution = QStringLiteral("100");
    QString simulationSeed = QStringLiteral("0");
    QString iterations = QStringLiteral("100000");
    QString testSeed = QStringLiteral("0");
};

struct Message {
    QString text;
    bool yesNo;
};

class AdvancedDialogTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (dialog_) dialog_->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    AdvancedDialog* open() {
        if (dialog_) dialog_->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dialog_ = new AdvancedDialog(&owner_, settings_);
        dialog_->show();
        return dialog_;
    }

    QLineEdit* box(const char* name) const { return dialog_->findChild<QLineEdit*>(QLatin1String(name)); }
    QPushButton* button(const char* name) const { return dialog_->findChild<QPushButton*>(QLatin1String(name)); }

    void type(const Texts& texts) {
        box("txt1")->setText(texts.perDistribution);
        box("txt2")->setText(texts.simulationSeed);
        box("txt3")->setText(texts.iterations);
        box("txt4")->setText(texts.testSeed);
    }

    // Opens the dialog, types, presses OK; true when the dialog went away (accepted).
    bool submit(const Texts& texts) {
        open();
        type(texts);
        QTest::mouseClick(button("cmdOK"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog_.isNull();
    }

    std::vector<QString> messageTexts() const {
        std::vector<QString> texts;
        for (const Message& message : messages_) texts.push_back(message.text);
        return texts;
    }

    QWidget owner_;
    AnalysisSettings settings_;
    QPointer<AdvancedDialog> dialog_;
    std::vector<Message> messages_;
    Answer answer_ = Answer::Yes;
    ScopedMessageResponder responder_{[this](const QString& text, bool yesNo) {
        messages_.push_back({text, yesNo});
        return yesNo ? answer_ : Answer::Ok;
    }};
};

TEST_F(AdvancedDialogTest, TheDesignTextsPassSilentlyAndAreStored) {
    open();
    EXPECT_EQ(dialog_->objectName(), QStringLiteral("frmAdvanced"));
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Kelpo -- Options"));
    EXPECT_EQ(box("txt1")->text(), QStringLiteral("100"));
    EXPECT_EQ(box("txt2")->text(), QStringLiteral("0"));
    EXPECT_EQ(box("txt3")->text(), QStringLiteral("100000"));
    EXPECT_EQ(box("txt4")->text(), QStringLiteral("0"));
    EXPECT_TRUE(submit(Texts{}));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(settings_.matricesPerDistribution, 100);
    EXPECT_EQ(settings_.simulationSeed, 0);
    EXPECT_EQ(settings_.iterations, 10000);
    EXPECT_EQ(settings_.testSeed, 0);
}

TEST_F(AdvancedDialogTest, RefusalsShowTheirMessageAndKeepTheDialogWithTheTexts) {
    struct Case {
        Texts texts;
        QString message;
    };
    Texts perZero;
    perZero.perDistribution = QStringLiteral("0");
    Texts perText;
    perText.perDistribution = QStringLiteral("abc");
    Texts perHuge;
    perHuge.perDistribution = QStringLiteral("3000000000");
    Texts seedNegative;
    seedNegative.simulationSeed = QStringLiteral("-1");
    Texts seedHuge;
    seedHuge.simulationSeed = QStringLiteral("3000000000");
    Texts iterationsZero;
    iterationsZero.iterations = QStringLiteral("0");
    Texts iterationsHuge;
    iterationsHuge.iterations = QStringLiteral("2147483650");
    Texts testSeedNegative;
    testSeedNegative.testSeed = QStringLiteral("-1");
    const std::vector<Case> cases = {
        {perZero, kError10},        {perText, kError10},         {perHuge, kError10},
        {seedNegative, kError12},   {seedHuge, kError12},        {iterationsZero, kError10},
        {iterationsHuge, kError10}, {testSeedNegative, kError12},
    };
    for (const Case& c : cases) {
        messages_.clear();
        const AnalysisSettings before = settings_;
        EXPECT_FALSE(submit(c.texts)) << c.message.toStdString();
        ASSERT_EQ(messages_.size(), 1u) << c.message.toStdString();
        EXPECT_EQ(messages_[0].text, c.message);
        EXPECT_FALSE(messages_[0].yesNo);
        EXPECT_TRUE(dialog_->isVisible());
        EXPECT_EQ(dialog_->windowModality(), Qt::NonModal);
        EXPECT_EQ(box("txt1")->text(), c.texts.perDistribution);
        EXPECT_EQ(box("txt3")->text(), c.texts.iterations);
        EXPECT_EQ(settings_.matricesPerDistribution, before.matricesPerDistribution);
        EXPECT_EQ(settings_.iterations, before.iterations);
    }
}

TEST_F(AdvancedDialogTest, WarningsAskAndNoStoresNothing) {
    answer_ = Answer::No;
    Texts fewMatrices;
    fewMatrices.perDistribution = QStringLiteral("99");
    fewMatrices.simulationSeed = QStringLiteral("-1");  // never reached after No
    EXPECT_FALSE(submit(fewMatrices));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, kWarning11);
    EXPECT_TRUE(messages_[0].yesNo);

    messages_.clear();
    Texts fewIterations;
    fewIterations.iterations = QStringLiteral("24999");
    EXPECT_FALSE(submit(fewIterations));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, kWarning13);
    EXPECT_TRUE(messages_[0].yesNo);
    EXPECT_EQ(settings_.matricesPerDistribution, 0);
    EXPECT_EQ(settings_.iterations, 0);

    messages_.clear();
    Texts atTheLimits;
    atTheLimits.perDistribution = QStringLiteral("100");
    atTheLimits.iterations = QStringLiteral("25000");
    EXPECT_TRUE(submit(atTheLimits));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AdvancedDialogTest, StoredValuesAreRoundedHalfToEvenAndShownAgain) {
    Texts texts;
    texts.iterations = QStringLiteral("25005");
    texts.simulationSeed = QStringLiteral("12abc");
    texts.testSeed = QStringLiteral("");
    EXPECT_TRUE(submit(texts));
    EXPECT_EQ(settings_.iterations, 2500);
    EXPECT_EQ(settings_.simulationSeed, 12);
    EXPECT_EQ(settings_.testSeed, 0);
    open();
    EXPECT_EQ(box("txt3")->text(), QStringLiteral("25000"));
    EXPECT_EQ(box("txt2")->text(), QStringLiteral("12"));

    texts.iterations = QStringLiteral("25015");
    texts.testSeed = QStringLiteral("7");
    EXPECT_TRUE(submit(texts));
    EXPECT_EQ(settings_.iterations, 2502);
    open();
    EXPECT_EQ(box("txt3")->text(), QStringLiteral("25020"));
    EXPECT_EQ(box("txt4")->text(), QStringLiteral("7"));
    EXPECT_TRUE(messages_.empty());

    // After Yes to the warnings.
    Texts fractional;
    fractional.perDistribution = QStringLiteral("2.5");
    fractional.iterations = QStringLiteral("5");
    EXPECT_TRUE(submit(fractional));
    EXPECT_EQ(messageTexts(), (std::vector<QString>{kWarning11, kWarning13}));
    EXPECT_EQ(settings_.matricesPerDistribution, 2);
    EXPECT_EQ(settings_.iterations, 0);
    open();
    EXPECT_EQ(box("txt1")->text(), QStringLiteral("2"));
    EXPECT_EQ(box("txt3")->text(), QStringLiteral("100000")) << "0 leaves the design text";
}

TEST_F(AdvancedDialogTest, CancelLeavesEverySetting) {
    settings_.matricesPerDistribution = 7;
    settings_.simulationSeed = 3;
    settings_.iterations = 2500;
    settings_.testSeed = 9;
    open();
    EXPECT_EQ(box("txt1")->text(), QStringLiteral("7"));
    EXPECT_EQ(box("txt2")->text(), QStringLiteral("3"));
    EXPECT_EQ(box("txt3")->text(), QStringLiteral("25000"));
    EXPECT_EQ(box("txt4")->text(), QStringLiteral("9"));
    type(Texts{});
    QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog_.isNull());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(settings_.matricesPerDistribution, 7);
    EXPECT_EQ(settings_.simulationSeed, 3);
    EXPECT_EQ(settings_.iterations, 2500);
    EXPECT_EQ(settings_.testSeed, 9);
}

TEST_F(AdvancedDialogTest, FocusSelectsTheWholeText) {
    open();
    QApplication::setActiveWindow(dialog_);
    QLineEdit* iterations = box("txt3");
    iterations->deselect();
    box("txt1")->setFocus();
    iterations->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(iterations->selectedText(), QStringLiteral("100000"));
}

TEST_F(AdvancedDialogTest, OpensModalAndARefusalEndsTheModalityButNotTheDialog) {
    QPointer<AdvancedDialog> seen;
    Qt::WindowModality modality = Qt::NonModal;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<AdvancedDialog*>(widget); dialog && dialog->isVisible()) seen = dialog;
        }
        if (!seen) return;
        modality = seen->windowModality();
        seen->findChild<QLineEdit*>(QStringLiteral("txt1"))->setText(QStringLiteral("0"));
        QTest::mouseClick(seen->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    });
    showAdvancedOptions(&owner_, settings_);  // returns once the refusal hid the dialog
    ASSERT_FALSE(seen.isNull());
    EXPECT_EQ(modality, Qt::ApplicationModal);
    EXPECT_EQ(messageTexts(), std::vector<QString>{kError10});
    EXPECT_TRUE(seen->isVisible());
    EXPECT_EQ(seen->windowModality(), Qt::NonModal);
    EXPECT_EQ(settings_.matricesPerDistribution, 0);

    // Still working without modality: OK now stores.
    seen->findChild<QLineEdit*>(QStringLiteral("txt1"))->setText(QStringLiteral("150"));
    QTest::mouseClick(seen->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(seen.isNull());
    EXPECT_EQ(settings_.matricesPerDistribution, 150);
}

}  // namespace
}  // namespace kelpo::ui
