#pragma once
// Model-variant chooser: asks whether the radio is the 500 mW or the 6 W
// variant when the power table does not tell.

#include "platform/window/FormBase.h"
#include "ui_Tstwaehlen.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Tstwaehlen : public TFormBase<Ui::Tstwaehlen> {
public:
    explicit Tstwaehlen(QWidget* owner);
    ~Tstwaehlen() override;

    void SetTextNumber(int number) { listNumber_ = number; }
    void SetItemIndex(int index) { itemIndex_ = index; }
    int ItemIndex() const { return itemIndex_; }
    void ResetResult() { listNumber_ = 0; }
    bool IsLowPower() const { return powerChoice_ != 1; }
    void SetFormCaption(const std::string& text);
    void SetLabel1Caption(const std::string& text);

    void FormCreate();
    void FormDestroy();
    void FormShow();
    void OkButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int listNumber_ = 0;
    int itemIndex_ = 0;
    uint8_t powerChoice_ = 0; // 0: 500 mW variant, 1: 6 W variant
    std::array<std::vector<std::string>*, 8> lists_{};
};
