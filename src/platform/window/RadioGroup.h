#pragma once
// A group of radio buttons with a list of items, one of them chosen, as the
// pages expect of it: the items are set by code (their buttons are named
// <group>_<i>), laid out column by column, and choosing an item - by the
// user or by code - runs OnClick once when the chosen item changes. Item -1
// means that none is chosen.

#include <QGroupBox>

#include <functional>
#include <vector>

class QGridLayout;
class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    // Takes the radio buttons the form gave the group (<group>_0,
    // <group>_1, ...) as its items, in as many columns as the form has.
    void AdoptButtons();

    int Count() const { return static_cast<int>(buttons_.size()); }
    void ClearItems();
    void AddItem(const QString& caption);
    // Replaces the items by captions (nothing chosen).
    void SetItems(const QStringList& captions);
    QString ItemCaption(int item) const;
    void SetItemCaption(int item, const QString& caption);
    QRadioButton* Button(int item) const;

    int ItemIndex() const { return itemIndex_; }
    // Chooses item (-1, or an index outside the items, chooses none) and
    // runs OnClick when that chose another item.
    void SetItemIndex(int item);

    int Columns() const { return columns_; }
    void SetColumns(int columns);

    // The colour of the group's texts; an invalid colour restores the
    // window's own.
    void SetFontColor(const QColor& color);

    std::function<void()> OnClick;

private:
    void ButtonToggled(QRadioButton* button, bool checked);
    QRadioButton* NewButton(const QString& caption);
    void Arrange();
    void ShowChoice();

    std::vector<QRadioButton*> buttons_;
    QGridLayout* grid_ = nullptr;
    int itemIndex_ = -1;
    int columns_ = 1;
};
