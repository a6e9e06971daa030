#pragma once

#include "archive/ArchiveBrowser.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QPushButton;

namespace ryvo {

struct ProgramState;

// Reacts to a list's current item as a click on it does: a change of the selected item
// by mouse or keyboard, a click on the item already selected, and Return on it. Focus that
// only moves the cursor onto an item (no selection) does not count.
void OnItemChosen(QListWidget* list, std::function<void(int row)> chosen);

// The archive browser's selection window: year, month, group, date.
class TArchiv1 final : public Page {
    Q_OBJECT
public:
    TArchiv1(ProgramState& state, const Services& services, std::shared_ptr<ArchiveBrowser> browser,
             QWidget* parent = nullptr);

    void FormActivate() override;
    ArchiveBrowser& Browser() { return *m_browser; }

public slots:
    void ListBox1Click();
    void ListBox2Click();
    void ListBox3Click();
    void ListBox4Click();
    void ExitClick();
    // The chosen group's whole month as a CSV file.
    void ExportMonthClick();

private:
    // Refills the lists from `from` on (0 = all) and the note.
    void Sync(int from = 0);

    Services m_services;
    std::shared_ptr<ArchiveBrowser> m_browser;
    std::array<QListWidget*, 4> m_lists{};
    QLabel* m_note;
    QPushButton* m_exit;
    QPushButton* m_shooterCard;
    QPushButton* m_exportMonth;
    ProgramState& m_state;
};

} // namespace ryvo
