#pragma once
// The paged editor of the device's frequency table: twelve rows per page,
// each row one entry's frequency in MHz, bound to the register image's
// channel-number and step tables. Frequencies are integers in units of
// 100 Hz (4331250 is 433.1250 MHz).

#include <array>
#include <cstdint>
#include <set>

class QComboBox;
class QLabel;
class QLineEdit;
class QString;
class QWidget;

class TFrequenzEditor {
public:
    static constexpr int Rows = 12;

    // The image cells the editor works on: the entry count (entries in use
    // minus 1) and the first cells of the channel-number and step tables.
    void SetCountCell(int cell) { countCell_ = cell; }
    void SetChannelTable(int cell) { channelTable_ = cell; }
    void SetStepTable(int cell) { stepTable_ = cell; }
    void SetMinimum(int64_t units) { minimum_ = units; }
    void SetMaximum(int64_t units) { maximum_ = units; }
    void SetEditMode(bool on) { editMode_ = on; }
    // Whether the range is the default one of a device without limits.
    void SetDefaultRange(bool isDefault) { defaultRange_ = isDefault; }
    bool DefaultRange() const { return defaultRange_; }
    // Gives the hint to the rows shown invalid and takes it from the others
    // (after the window's texts were replaced).
    void RefreshRowHints(const QString& hint);

    void Bind(const std::array<QLineEdit*, Rows>& edits, const std::array<QLabel*, Rows>& numbers,
              const std::array<QLabel*, Rows>& units, QComboBox* pages, QComboBox* count);

    // Entries in use: the count cell + 1, kept to 1..128.
    int EntryCount() const;
    // Rebuilds the page chooser and answers the number of pages.
    unsigned GetPageCount();
    // Shows page n (1-based); answers the rows shown, or -1 for a page
    // outside 1..page count (the rows stay as they were).
    int ShowPage(int n);
    // Stores the frequency typed into row (0..11) of page into the entry's
    // two cells, or marks the entry invalid (both cells 0). Answers whether
    // the frequency was valid.
    bool StoreRow(int page, int row, int64_t units);
    bool IsValidFrequency(int64_t units);

    void FillEmptyEntries();
    void RebuildPageList();
    void ApplyEditMode();
    // Forgets which entries the user marked invalid (a new table).
    void ForgetUserMarks() { userInvalid_.clear(); }

private:
    // The entry's cell in a table, or -1 when it lies outside the image.
    int TableCell(int table, int entry) const;

    int countCell_ = -1;
    int channelTable_ = -1;
    int stepTable_ = -1;
    unsigned pageCount_ = 0;
    int lastStep_ = 0;
    int64_t minimum_ = 0;
    int64_t maximum_ = 0;
    bool editMode_ = false;
    bool defaultRange_ = false;
    std::array<QLineEdit*, Rows> edits_{};
    std::array<QLabel*, Rows> numbers_{};
    std::array<QLabel*, Rows> units_{};
    std::array<bool, Rows> invalidRow_{};
    std::array<bool, Rows> usedRow_{};
    QComboBox* pages_ = nullptr;
    QComboBox* count_ = nullptr;
    // Entries the user made invalid in this editing session; the fill of
    // empty entries leaves them as they are.
    std::set<int> userInvalid_;
};
