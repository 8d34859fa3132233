#include "platform/window/RadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>

#include <algorithm>
#include <map>
#include <set>

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent) {
    grid_ = new QGridLayout(this);
    grid_->setContentsMargins(8, 4, 8, 4);
    grid_->setSpacing(2);
}

void TRadioGroup::AdoptButtons() {
    const QString prefix = objectName() + "_";
    std::map<int, QRadioButton*> found;
    for (QRadioButton* b : findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
        bool ok = false;
        const int i =
            b->objectName().startsWith(prefix) ? b->objectName().mid(prefix.size()).toInt(&ok) : -1;
        if (ok && i >= 0)
            found[i] = b;
    }
    int chosen = -1;
    for (auto& [i, b] : found) {
        if (std::find(buttons_.begin(), buttons_.end(), b) != buttons_.end())
            continue;
        if (b->isChecked() && chosen < 0)
            chosen = static_cast<int>(buttons_.size());
        buttons_.push_back(b);
        connect(b, &QRadioButton::toggled, this, [this, b](bool on) { ButtonToggled(b, on); });
    }
    itemIndex_ = chosen;
    // The form's columns: as many as its buttons have left edges.
    std::set<int> lefts;
    for (QRadioButton* b : buttons_)
        lefts.insert(b->x());
    columns_ = std::max(1, static_cast<int>(lefts.size()));
    Arrange();
    ShowChoice();
}

void TRadioGroup::ClearItems() {
    for (QRadioButton* b : buttons_) {
        grid_->removeWidget(b);
        b->disconnect(this);
        b->hide();
        b->deleteLater();
    }
    buttons_.clear();
    itemIndex_ = -1;
}

QRadioButton* TRadioGroup::NewButton(const QString& caption) {
    auto* b = new QRadioButton(caption, this);
    b->setObjectName(objectName() + "_" + QString::number(buttons_.size()));
    buttons_.push_back(b);
    connect(b, &QRadioButton::toggled, this, [this, b](bool on) { ButtonToggled(b, on); });
    return b;
}

void TRadioGroup::AddItem(const QString& caption) {
    QRadioButton* b = NewButton(caption);
    Arrange();
    b->show();
}

void TRadioGroup::SetItems(const QStringList& captions) {
    ClearItems();
    for (const QString& caption : captions)
        NewButton(caption);
    Arrange();
    for (QRadioButton* b : buttons_)
        b->show();
}

QString TRadioGroup::ItemCaption(int item) const {
    return Button(item) ? Button(item)->text() : QString();
}

void TRadioGroup::SetItemCaption(int item, const QString& caption) {
    if (QRadioButton* b = Button(item))
        b->setText(caption);
}

QRadioButton* TRadioGroup::Button(int item) const {
    return item >= 0 && item < Count() ? buttons_[static_cast<size_t>(item)] : nullptr;
}

void TRadioGroup::SetItemIndex(int item) {
    if (item < 0 || item >= Count())
        item = -1;
    if (item == itemIndex_)
        return;
    itemIndex_ = item;
    ShowChoice();
    // Clearing the choice clicks no button.
    if (item >= 0 && OnClick)
        OnClick();
}

void TRadioGroup::SetColumns(int columns) {
    columns_ = std::max(1, columns);
    Arrange();
}

void TRadioGroup::SetFontColor(const QColor& color) {
    QPalette p = palette();
    if (color.isValid())
        p.setColor(QPalette::WindowText, color);
    else
        p = QPalette();
    setPalette(p);
    for (QRadioButton* b : buttons_)
        b->setPalette(p);
}

void TRadioGroup::ButtonToggled(QRadioButton* button, bool checked) {
    if (!checked)
        return;
    const auto it = std::find(buttons_.begin(), buttons_.end(), button);
    if (it == buttons_.end())
        return;
    SetItemIndex(static_cast<int>(it - buttons_.begin()));
}

void TRadioGroup::Arrange() {
    for (QRadioButton* b : buttons_)
        grid_->removeWidget(b);
    const int count = Count();
    const int rows = std::max(1, (count + columns_ - 1) / columns_);
    for (int i = 0; i < count; ++i)
        grid_->addWidget(buttons_[static_cast<size_t>(i)], i % rows, i / rows);
}

void TRadioGroup::ShowChoice() {
    for (int i = 0; i < Count(); ++i) {
        QRadioButton* b = buttons_[static_cast<size_t>(i)];
        const bool on = i == itemIndex_;
        if (b->isChecked() == on)
            continue;
        // A radio button cannot be cleared while it is exclusive.
        b->setAutoExclusive(false);
        b->setChecked(on);
        b->setAutoExclusive(true);
    }
}
