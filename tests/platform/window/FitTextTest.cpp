// Fitting a form to its texts: a control grows to its whole text and what
// lies beyond it moves aside as a whole column or row.
#include "platform/window/FitText.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
