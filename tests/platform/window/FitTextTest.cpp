// Fitting a form to its texts: a control grows to its whole text and what
// lies beyond it moves aside as a whole column or row; frames and fixed
// dialogs grow around what they hold; layouts keep their own say.
#include "platform/window/FitText.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString kLong = "A caption far longer than the design gave it";

template <class W> W* Make(QWidget* parent, const QRect& geometry, const QString& text = {}) {
    auto* w = new W(parent);
    w->setGeometry(geometry);
    if constexpr (std::is_base_of_v<QLabel, W> || std::is_base_of_v<QAbstractButton, W>)
        w->setText(text);
    return w;
}

} // namespace

TEST(FitTextTest, AWiderTextMovesTheColumnsBeyondItAndNothingElse) {
    QWidget form;
    form.resize(800, 400);
    auto* label = Make<QLabel>(&form, {10, 10, 40, 20}, "short");
    auto* beside = Make<QLineEdit>(&form, {60, 10, 50, 20}); // same row, to the right
    auto* under = Make<QLineEdit>(&form, {60, 60, 50, 20});  // same column, a later row
    auto* left = Make<QLineEdit>(&form, {10, 60, 40, 20});   // left column, a later row
    auto* far = Make<QLineEdit>(&form, {600, 10, 50, 20});   // already out of the way
    FitToTexts(&form);
    EXPECT_EQ(label->width(), 40) << "a text that fits changes nothing";
    EXPECT_EQ(beside->x(), 60);

    label->setText(kLong);
    FitToTexts(&form);
    const int need = label->sizeHint().width();
    ASSERT_GT(need, 40);
    struct Row {
        const char* what;
        QWidget* w;
        QPoint at;
    } const rows[] = {
        {"grown label stays put", label, {10, 10}},
        {"neighbour moves past it", beside, {10 + need + 6, 10}},
        {"its column moves along", under, {10 + need + 6, 60}},
        {"left column stays", left, {10, 60}},
        {"far column keeps its distance", far, {600 + 10 + need + 6 - 60, 10}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.w->pos(), r.at) << r.what;
    EXPECT_EQ(label->width(), need);

    // Fitted once, fitted for good.
    const QRect before = beside->geometry();
    FitToTexts(&form);
    EXPECT_EQ(beside->geometry(), before);
}

TEST(FitTextTest, AWrappedTextGrowsDownAndMovesTheRowsBelow) {
    QWidget form;
    form.resize(400, 400);
    auto* above = Make<QLineEdit>(&form, {200, 0, 50, 8});
    auto* label = Make<QLabel>(&form, {10, 10, 120, 20}, kLong + " " + kLong);
    label->setWordWrap(true);
    auto* ok = Make<QPushButton>(&form, {10, 40, 80, 24}, "OK");
    auto* cancel = Make<QPushButton>(&form, {100, 40, 80, 24}, "Cancel");
    FitToTexts(&form);
    const int bottom = 10 + label->heightForWidth(120);
    EXPECT_EQ(label->size(), QSize(120, label->heightForWidth(120)));
    EXPECT_EQ(ok->pos(), QPoint(10, bottom + 6));
    EXPECT_EQ(cancel->pos(), QPoint(100, bottom + 6)) << "the row moves as one";
    EXPECT_EQ(above->pos(), QPoint(200, 0));
}

TEST(FitTextTest, FramesAndFixedDialogsGrowAroundWhatTheyHold) {
    QDialog dialog;
    dialog.setFixedSize(200, 120);
    auto* group = Make<QGroupBox>(&dialog, {10, 10, 100, 60});
    auto* option = Make<QCheckBox>(group, {10, 20, 60, 20}, kLong);
    auto* right = Make<QPushButton>(&dialog, {120, 10, 70, 24}, "Go");
    auto* label = Make<QLabel>(&dialog, {60, 80, 50, 20}, "12");
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setText("1234567890");
    FitToTexts(&dialog);

    EXPECT_EQ(option->width(), option->sizeHint().width());
    EXPECT_EQ(group->width(), 10 + option->width() + 8);
    EXPECT_EQ(right->x(), 10 + group->width() + 6);
    // A right-aligned text keeps its right edge where there is room for it.
    EXPECT_EQ(label->x() + label->width(), 110);
    // The dialog holds all of it and stays of one size.
    EXPECT_EQ(dialog.width(), right->x() + right->width() + 8);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
}

TEST(FitTextTest, ALayoutPlacesItsOwnControls) {
    QWidget form;
    auto* group = Make<QGroupBox>(&form, {0, 0, 60, 40});
    auto* layout = new QVBoxLayout(group);
    auto* label = new QLabel(kLong);
    layout->addWidget(label);
    const QRect labelBefore = label->geometry();
    FitToTexts(&form);
    EXPECT_EQ(label->geometry(), labelBefore);
    EXPECT_GE(group->width(), group->minimumSizeHint().width());
}

TEST(FitTextTest, TheWidthEachKindOfControlNeeds) {
    QWidget form;
    auto* label = Make<QLabel>(&form, {}, "Label");
    auto* empty = Make<QLabel>(&form, {});
    auto* check = Make<QCheckBox>(&form, {}, "Check");
    auto* push = Make<QPushButton>(&form, {}, "&Push");
    auto* group = Make<QGroupBox>(&form, {});
    group->setTitle("Title");
    auto* edit = Make<QLineEdit>(&form, {});
    const QFontMetrics fm = form.fontMetrics();
    struct Row {
        const char* what;
        QWidget* w;
        int need;
    } const rows[] = {
        {"label", label, label->sizeHint().width()},
        {"empty label", empty, 0},
        {"check box with its box", check, check->sizeHint().width()},
        {"push button without its mnemonic", push, fm.horizontalAdvance("Push") + 12},
        {"group title", group, fm.horizontalAdvance("Title") + 16},
        {"edit", edit, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(TextNeed(r.w), r.need) << r.what;
}
