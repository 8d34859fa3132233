#include "device/window/Stwaehlen.h"

#include "platform/Text.h"
#include "platform/window/Dialogs.h"

#include <QEvent>
#include <QPushButton>

Tstwaehlen::Tstwaehlen(QWidget* owner) : TFormBase(owner) {
    ui.ComboBox1->setEditable(false);
    ui.ComboBox1->installEventFilter(this);
    connect(ui.OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(ui.Button2, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

Tstwaehlen::~Tstwaehlen() {
    FormDestroy();
}

void Tstwaehlen::FormCreate() {
    static const char* const items[8][4] = {
        {"WBS-420 500mW", "KVL-420 500mW", "WBS-420 6W", "KVL-420 6W"},
        {"KVL-420 500mW", "KVL-420 6W"},
        {"WBS-420 500mW", "WBS-420 6W"},
        {"HNQ-120 500mW", "HNQ-120 6W"},
        {"HNQ-130 500mW", "HNQ-130 6W"},
        {"HNQ-860 500mW", "HNQ-860 6W"},
        {"KVL-420/KXR 500mW", "KVL-420/KXR 6W"},
        {"DZF-420 500mW", "DZF-420 6W"},
    };
    for (size_t n = 0; n < lists_.size(); ++n) {
        lists_[n] = new std::vector<std::string>;
        for (const char* item : items[n])
            if (item)
                lists_[n]->push_back(item);
    }
}

void Tstwaehlen::FormDestroy() {
    for (auto*& list : lists_) {
        delete list;
        list = nullptr;
    }
}

void Tstwaehlen::SetFormCaption(const std::string& text) {
    setWindowTitle(ToQString(text));
}

void Tstwaehlen::SetLabel1Caption(const std::string& text) {
    ui.Label1->setText(ToQString(text));
}

void Tstwaehlen::showEvent(QShowEvent* event) {
    FormShow();
    TFormBase::showEvent(event);
}

void Tstwaehlen::FormShow() {
    ui.ComboBox1->clear();
    ui.ComboBox1->show();
    ui.OkButton->show();
    ui.Button2->show();
    if (listNumber_ < 0 || listNumber_ > 7 || !lists_[listNumber_]) {
        Dialogs::ShowMessage("Falsche Text Nummer!");
    } else {
        for (const std::string& item : *lists_[listNumber_])
            ui.ComboBox1->addItem(ToQString(item));
    }
    ui.ComboBox1->setCurrentIndex(itemIndex_ < ui.ComboBox1->count() ? itemIndex_ : -1);
    update();
}

void Tstwaehlen::OkButtonClick() {
    const int selected = ui.ComboBox1->currentIndex();
    if (listNumber_ != 0) {
        if (selected == 0)
            powerChoice_ = 0;
        else if (selected == 1)
            powerChoice_ = 1;
        else
            Dialogs::ShowMessage("Fehler in der Auswahl!");
    }
    itemIndex_ = selected;
    accept();
}

bool Tstwaehlen::eventFilter(QObject* watched, QEvent* event) {
    // The list cannot be typed into.
    if (watched == ui.ComboBox1 && event->type() == QEvent::KeyPress)
        return true;
    return TFormBase::eventFilter(watched, event);
}
