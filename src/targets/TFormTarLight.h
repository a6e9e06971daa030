#pragma once

#include "core/ProgramState.h"
#include "platform/Page.h"
#include "platform/Services.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace ryvo {

// Editor of the target light script: builds, loads and saves Targets.act.
class TFormTarLight final : public Page {
    Q_OBJECT
public:
    TFormTarLight(ProgramState& state, const Services& services, QWidget* parent = nullptr);

    void FormActivate() override;
    // Loads a script file into both lists and into ScriptLines.
    void GetTargetFile(const QString& path);

    void ButAddClick();
    void ButDelClick();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void EnableActions();

    [[nodiscard]] QListWidget* ListBox1() const { return m_listBox1; }
    [[nodiscard]] QListWidget* ListBox2() const { return m_listBox2; }

private:
    ProgramState& m_state;
    Services m_services;
    QListWidget* m_listBox1;
    QListWidget* m_listBox2;
    QGroupBox* m_gbAction1;
    QRadioButton* m_radio[4];
    QLineEdit* m_edit2; // pause seconds
    QLineEdit* m_edit3; // lamp on target
    QLineEdit* m_edit4; // lamp off target
    QLineEdit* m_edit5; // flashes target
    QLineEdit* m_edit6; // flashes count
    QLabel* m_staticText3;
    QPushButton* m_butAdd;
    QPushButton* m_butDel;
    QPushButton* m_butEdit;
};

} // namespace ryvo
