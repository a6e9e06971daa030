#include "app/TMainForm2.h"

#include "app/TForm2.h"
#include "core/CourseChoice.h"
#include "core/CourseFile.h"
#include "core/SettingsFile.h"
#include "device/TFormShoot.h"
#include "device/TInitialCheck.h"
#include "exercise/RelayDialog.h"
#include "platform/Dialogs.h"
#include "platform/FittedLabel.h"
#include "platform/Widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace ryvo {

namespace {

QSpinBox* UpDown(const char* name, int value) {
    auto* box = Named(new QSpinBox, name);
    box->setRange(0, kUpDownMax);
    box->setValue(value);
    return box;
}

// A radio button with its number edit to the right on the same line.
QWidget* Row(QWidget* left, QWidget* right) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(left);
    layout->addWidget(right);
    layout->addStretch(1);
    return row;
}

} // namespace

TMainForm2::TMainForm2(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TMainForm2"), ProductCaption(), parent), m_state(state),
      m_services(services) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("DejaVu Serif")});
    font.setPixelSize(18);
    setFont(font);

    // Target type.
    auto* groupTarget = Named(new QGroupBox(QStringLiteral(" Тип мишени ")), "GroupBoxTarget");
    auto* targetLayout = new QVBoxLayout(groupTarget);
    m_n4 = Named(new QRadioButton(QStringLiteral("Мишень N4")), "N4");
    m_sport = Named(new QRadioButton(QStringLiteral("Спортивная")), "Sport");
    m_otherTarget = Named(new QRadioButton(QStringLiteral("Другие мишени ...")), "OtherTarget");
    m_comboBoxTarget = Named(new QComboBox, "ComboBoxTarget");
    for (QWidget* w :
         {static_cast<QWidget*>(m_n4), static_cast<QWidget*>(m_sport),
          static_cast<QWidget*>(m_otherTarget), static_cast<QWidget*>(m_comboBoxTarget)}) {
        targetLayout->addWidget(w);
    }
    m_n4->setChecked(true);
    m_otherTarget->setEnabled(false);
    m_comboBoxTarget->setEnabled(false);

    // Time.
    auto* groupTime = Named(new QGroupBox(QStringLiteral(" Время стрельбы ")), "GroupBoxTime");
    auto* timeLayout = new QVBoxLayout(groupTime);
    m_time[0] = Named(new QRadioButton(QStringLiteral("&3 секунды")), "Time1");
    m_time[1] = Named(new QRadioButton(QStringLiteral("&10 секунд")), "Time2");
    m_time[2] = Named(new QRadioButton(QStringLiteral("Время стрельбы неограничено")), "Time3");
    m_time[3] = Named(new QRadioButton(QStringLiteral("&Произвольное время (сек):")), "OtherTime");
    m_upDownTime = UpDown("UpDownTime", 50);
    timeLayout->addWidget(m_time[0]);
    timeLayout->addWidget(m_time[1]);
    timeLayout->addWidget(m_time[2]);
    timeLayout->addWidget(Row(m_time[3], m_upDownTime));
    m_time[0]->setChecked(true);

    // Shots.
    auto* groupShoots =
        Named(new QGroupBox(QStringLiteral(" Количество выстрелов ")), "GroupBoxShoots");
    auto* shootsLayout = new QVBoxLayout(groupShoots);
    m_shoots[0] = Named(new QRadioButton(QStringLiteral("&3 выстрелa")), "Shoots1");
    m_shoots[1] = Named(new QRadioButton(QStringLiteral("&8 выстрелов")), "Shoots2");
    m_shoots[2] = Named(new QRadioButton(QStringLiteral("&10 выстрелов")), "Shoots3");
    m_shoots[3] =
        Named(new QRadioButton(QStringLiteral("&Произвольное количество:")), "OtherShoots");
    m_upDownShoots = UpDown("UpDownShoots", 50);
    shootsLayout->addWidget(m_shoots[0]);
    shootsLayout->addWidget(m_shoots[1]);
    shootsLayout->addWidget(m_shoots[2]);
    shootsLayout->addWidget(Row(m_shoots[3], m_upDownShoots));
    m_changeTargets =
        Named(new QCheckBox(QStringLiteral("Работа с переносом огня")), "CB_change_targets");
    shootsLayout->addWidget(m_changeTargets);
    m_shoots[0]->setChecked(true);

    // Shooter.
    auto* groupShooter = Named(new QGroupBox(QStringLiteral("Номер стрелка")), "GroupBoxShooter");
    auto* shooterLayout = new QVBoxLayout(groupShooter);
    m_shooter[0] = Named(new QRadioButton(QStringLiteral("Стрелок номер 1")), "Shooter1");
    m_shooter[1] = Named(new QRadioButton(QStringLiteral("Стрелок номер 2")), "Shooter2");
    m_shooter[2] = Named(new QRadioButton(QStringLiteral("Оба стрелка")), "Shooter3");
    m_shooter[3] = Named(new QRadioButton(QStringLiteral("До пяти стрелков")), "OtherShooter");
    for (QRadioButton* r : m_shooter) {
        shooterLayout->addWidget(r);
    }
    m_shooter[3]->setChecked(true);

    // What is drawn.
    auto* groupSets = Named(new QGroupBox, "GroupBoxSets");
    auto* setsLayout = new QVBoxLayout(groupSets);
    m_taleEnable =
        Named(new QCheckBox(QStringLiteral("Наличие траектории прицеливания")), "TaleEnable");
    m_gunEnable = Named(new QCheckBox(QStringLiteral("Наличие точки прицеливания")), "GunEnable");
    m_postGunEnable =
        Named(new QCheckBox(QStringLiteral("Наличие \"срыва курка\"")), "PostGunEnable");
    m_tracePhases =
        Named(new QCheckBox(QStringLiteral("Фазы прицеливания цветом")), "CBTracePhases");
    m_tracePhases->setToolTip(
        QStringLiteral("След выстрела по времени до него: раньше 1 с, последняя 1 с, последние "
                       "0,2 с, 0,5 с после выстрела"));
    // Beside the trace it colours, so the column keeps its height.
    setsLayout->addWidget(Row(m_taleEnable, m_tracePhases));
    setsLayout->addWidget(m_gunEnable);
    setsLayout->addWidget(m_postGunEnable);

    // Repeat.
    auto* groupRepeat = Named(new QGroupBox, "GroupBox1");
    auto* repeatLayout = new QHBoxLayout(groupRepeat);
    m_repeatSeries = Named(new QCheckBox(QStringLiteral("Повторить серию через")), "RepeatSeries");
    m_upDownSeries = UpDown("UpDownSeries", 10);
    m_upDownSeries->setEnabled(false);
    repeatLayout->addWidget(m_repeatSeries);
    repeatLayout->addWidget(m_upDownSeries);
    repeatLayout->addWidget(Named(new QLabel(QStringLiteral("сек")), "LabelID154"));
    repeatLayout->addStretch(1);

    m_beginShooting = Named(new QPushButton(QStringLiteral("Начало стрельбы ")), "BeginShooting");
    auto* preShooting = Named(new QPushButton(QStringLiteral("Пристрелка")), "PreShooting");
    m_preShooting = preShooting;
    m_checkDevice = Named(new QPushButton(QStringLiteral("Проверить прибор")), "CheckDevice");
    m_checkDevice->setToolTip(QStringLiteral("F5"));
    m_findDevice = Named(new QPushButton(QStringLiteral("Найти прибор")), "FindDevice");
    m_findDevice->setToolTip(QStringLiteral("Искать прибор на всех последовательных портах"));
    m_demo = Named(new QPushButton(QStringLiteral("Демонстрация")), "Demo");
    m_demo->setToolTip(
        QStringLiteral("Симулятор прибора: мышь над полем стрелка целится, щелчок — выстрел"));
    m_demo->setVisible(false);
    auto* deviceRow = new QWidget;
    auto* deviceLayout = new QHBoxLayout(deviceRow);
    deviceLayout->setContentsMargins(0, 0, 0, 0);
    deviceLayout->addWidget(m_checkDevice, 1);
    deviceLayout->addWidget(m_findDevice, 1);
    deviceLayout->addWidget(m_demo, 1);
    // Fixed room: a long finding or warning wraps and is cut, it never grows the window.
    m_deviceStatus = Named(new FittedLabel(2), "DeviceStatus");
    m_pollRate = Named(new FittedLabel(5), "PollRate");
    auto* archive = Named(new QPushButton(QStringLiteral("Работа с архивом")), "Archive");
    auto* groups = Named(new QPushButton(QStringLiteral("Группы стрелков")), "Groups");
    auto* relay = Named(new QPushButton(QStringLiteral("Смена")), "Relay");
    // Beside the groups, so the column keeps its height.
    auto* groupsRow = new QWidget;
    auto* groupsLayout = new QHBoxLayout(groupsRow);
    groupsLayout->setContentsMargins(0, 0, 0, 0);
    groupsLayout->addWidget(groups, 2);
    groupsLayout->addWidget(relay, 1);
    m_comboBoxCourse = Named(new QComboBox, "ComboBoxCourse");
    m_comboBoxCourse->setToolTip(
        QStringLiteral("Что выполняют окна стрельбы: обычную серию или упражнение из файла"));
    m_comboBoxCourse->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_comboBoxCourse->setMinimumContentsLength(12);
    auto* courseRow =
        Row(Named(new QLabel(QStringLiteral("Упражнение")), "LabelCourse"), m_comboBoxCourse);
    auto* targs = Named(new QPushButton(QStringLiteral("Установить мишени")), "Targs");
    auto* additional =
        Named(new QPushButton(QStringLiteral("Дополнительные настройки")), "BAdditionalSettings");
    auto* save = Named(new QPushButton(QStringLiteral("Сохранить настройки")), "SaveSettings");
    auto* exit = Named(new QPushButton(QStringLiteral("&Выход")), "Exit");
    auto* rangeScreen = Named(new QPushButton(QStringLiteral("Экран рубежа")), "RangeScreen");

    // Side by side, so the column keeps its height with the exercise list.
    auto* targsRow = new QWidget;
    auto* targsLayout = new QHBoxLayout(targsRow);
    targsLayout->setContentsMargins(0, 0, 0, 0);
    targsLayout->addWidget(targs, 1);
    targsLayout->addWidget(rangeScreen, 1);
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(groupTarget), static_cast<QWidget*>(groupShoots),
                       static_cast<QWidget*>(groupRepeat), static_cast<QWidget*>(m_beginShooting),
                       static_cast<QWidget*>(preShooting), static_cast<QWidget*>(archive),
                       groupsRow, deviceRow, static_cast<QWidget*>(m_deviceStatus)}) {
        left->addWidget(w);
    }
    for (QWidget* w : {static_cast<QWidget*>(groupTime), static_cast<QWidget*>(groupShooter),
                       static_cast<QWidget*>(groupSets), courseRow, targsRow,
                       static_cast<QWidget*>(additional), static_cast<QWidget*>(save),
                       static_cast<QWidget*>(exit), static_cast<QWidget*>(m_pollRate)}) {
        right->addWidget(w);
    }
    left->addStretch(1);
    right->addStretch(1);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    // The "other" radios sit in rows of their own, so exclusivity is kept by groups.
    auto exclusive = [this](std::initializer_list<QRadioButton*> radios) {
        auto* group = new QButtonGroup(this);
        for (QRadioButton* r : radios) {
            group->addButton(r);
        }
    };
    exclusive({m_n4, m_sport, m_otherTarget});
    exclusive({m_time[0], m_time[1], m_time[2], m_time[3]});
    exclusive({m_shoots[0], m_shoots[1], m_shoots[2], m_shoots[3]});
    exclusive({m_shooter[0], m_shooter[1], m_shooter[2], m_shooter[3]});
    for (QRadioButton* r : {m_n4, m_sport, m_otherTarget, m_time[0], m_time[1], m_time[2],
                            m_time[3], m_shoots[0], m_shoots[1], m_shoots[2], m_shoots[3]}) {
        connect(r, &QRadioButton::toggled, this, [this] { UpdateEnabling(); });
    }
    connect(m_repeatSeries, &QCheckBox::clicked, this, &TMainForm2::RepeatSeriesClick);
    // The exercise windows read these two boxes while they run.
    connect(m_changeTargets, &QCheckBox::toggled, this,
            [this](bool on) { m_state.settings.TargetsChange = on ? 1 : 0; });
    connect(m_taleEnable, &QCheckBox::toggled, this,
            [this](bool on) { m_state.settings.EnableTrace = on ? 1 : 0; });
    connect(m_beginShooting, &QPushButton::clicked, this, &TMainForm2::BeginShootingClick);
    connect(preShooting, &QPushButton::clicked, this, &TMainForm2::PreShootingClick);
    connect(archive, &QPushButton::clicked, this, &TMainForm2::ArchiveClick);
    connect(groups, &QPushButton::clicked, this, &TMainForm2::GroupsClick);
    connect(relay, &QPushButton::clicked, this, &TMainForm2::RelayClick);
    connect(targs, &QPushButton::clicked, this, &TMainForm2::TargsClick);
    connect(additional, &QPushButton::clicked, this, &TMainForm2::BAdditionalSettingsClick);
    connect(save, &QPushButton::clicked, this, &TMainForm2::SaveSettingsClick);
    connect(exit, &QPushButton::clicked, this, &TMainForm2::ExitClick);
    connect(rangeScreen, &QPushButton::clicked, this, [this] {
        if (onRangeScreen) {
            onRangeScreen();
        }
    });
    connect(m_comboBoxCourse, &QComboBox::activated, this, &TMainForm2::CourseChosen);
    connect(m_tracePhases, &QCheckBox::clicked, this, [this](bool on) {
        m_state.Display.tracePhases = on;
        WriteDisplayOptions(m_state);
    });
    ConnectDevice();
    setFocusProxy(m_beginShooting);
}

TMainForm2::~TMainForm2() = default;

void TMainForm2::Construct() {
    m_comboBoxTarget->clear();
    m_comboBoxTarget->addItem(QStringLiteral("Индивидуальные установки для каждой"));
    const int count = m_state.TargetLibrary ? m_state.OtherTargetCount : 0;
    for (int i = 1; i <= count; ++i) {
        m_comboBoxTarget->addItem(m_state.TargetLibrary->String(100 + i).value_or(QString()));
    }
    m_comboBoxTarget->setCurrentIndex(-1);
    ShowChoice(ChoiceFromSettings(m_state.settings, count, CurrentChoice()));
}

void TMainForm2::LoadCourses() {
    // A course with an error is not offered; the files are read again each time.
    m_courses = FindCourses(m_state.StartDir, m_state.DataDir).courses;
    const QString kept =
        m_state.ChosenCourse ? m_state.ChosenCourse->name.simplified() : ReadCourseChoice(m_state);
    m_state.ChosenCourse = CourseNamed(m_courses, kept);
    m_comboBoxCourse->clear();
    m_comboBoxCourse->addItem(QStringLiteral("Обычная серия"));
    int chosen = 0;
    for (size_t i = 0; i < m_courses.size(); ++i) {
        m_comboBoxCourse->addItem(m_courses[i].name);
        m_comboBoxCourse->setItemData(static_cast<int>(i) + 1, m_courses[i].description,
                                      Qt::ToolTipRole);
        if (m_state.ChosenCourse && m_courses[i].name.simplified() == kept) {
            chosen = static_cast<int>(i) + 1;
        }
    }
    m_comboBoxCourse->setCurrentIndex(chosen);
}

void TMainForm2::CourseChosen(int index) {
    if (index <= 0 || static_cast<size_t>(index) > m_courses.size()) {
        m_state.ChosenCourse.reset();
    } else {
        m_state.ChosenCourse = m_courses[static_cast<size_t>(index) - 1];
    }
    WriteCourseChoice(m_state);
}

MainChoice TMainForm2::CurrentChoice() const {
    MainChoice c;
    c.target = m_sport->isChecked()         ? MainChoice::TargetKind::Sport
               : m_otherTarget->isChecked() ? MainChoice::TargetKind::Other
                                            : MainChoice::TargetKind::N4;
    c.comboItem = m_comboBoxTarget->currentIndex();
    c.comboEnabled = m_comboBoxTarget->isEnabled();
    c.otherTargetEnabled = m_otherTarget->isEnabled();
    c.time = m_time[1]->isChecked()   ? MainChoice::TimeKind::Ten
             : m_time[2]->isChecked() ? MainChoice::TimeKind::Unlimited
             : m_time[3]->isChecked() ? MainChoice::TimeKind::Other
                                      : MainChoice::TimeKind::Three;
    c.timeValue = m_upDownTime->value();
    c.shoots = m_shoots[1]->isChecked()   ? MainChoice::ShootsKind::Eight
               : m_shoots[2]->isChecked() ? MainChoice::ShootsKind::Ten
               : m_shoots[3]->isChecked() ? MainChoice::ShootsKind::Other
                                          : MainChoice::ShootsKind::Three;
    c.shootsValue = m_upDownShoots->value();
    c.shooter = m_shooter[0]->isChecked()   ? MainChoice::ShooterKind::One
                : m_shooter[1]->isChecked() ? MainChoice::ShooterKind::Two
                : m_shooter[2]->isChecked() ? MainChoice::ShooterKind::Both
                                            : MainChoice::ShooterKind::UpToFive;
    c.trace = m_taleEnable->isChecked();
    c.aimPoint = m_gunEnable->isChecked();
    c.triggerJerk = m_postGunEnable->isChecked();
    c.repeat = m_repeatSeries->isChecked();
    c.repeatValue = m_upDownSeries->value();
    c.fireTransfer = m_changeTargets->isChecked();
    return c;
}

void TMainForm2::ShowChoice(const MainChoice& c) {
    m_otherTarget->setEnabled(c.otherTargetEnabled);
    switch (c.target) {
    case MainChoice::TargetKind::N4:
        m_n4->setChecked(true);
        break;
    case MainChoice::TargetKind::Sport:
        m_sport->setChecked(true);
        break;
    case MainChoice::TargetKind::Other:
        m_otherTarget->setChecked(true);
        break;
    }
    m_comboBoxTarget->setCurrentIndex(c.comboItem < m_comboBoxTarget->count() ? c.comboItem : -1);
    m_time[static_cast<int>(c.time)]->setChecked(true);
    m_upDownTime->setValue(c.timeValue);
    m_shoots[static_cast<int>(c.shoots)]->setChecked(true);
    m_upDownShoots->setValue(c.shootsValue);
    m_shooter[static_cast<int>(c.shooter)]->setChecked(true);
    m_taleEnable->setChecked(c.trace);
    m_gunEnable->setChecked(c.aimPoint);
    m_postGunEnable->setChecked(c.triggerJerk);
    m_changeTargets->setChecked(c.fireTransfer);
    m_repeatSeries->setChecked(c.repeat);
    m_upDownSeries->setValue(c.repeatValue);
    m_upDownSeries->setEnabled(c.repeat);
    UpdateEnabling();
}

void TMainForm2::UpdateEnabling() {
    m_comboBoxTarget->setEnabled(m_otherTarget->isChecked());
    m_upDownTime->setEnabled(m_time[3]->isChecked());
    m_upDownShoots->setEnabled(m_shoots[3]->isChecked());
}

void TMainForm2::FormActivate() {
    LoadCourses();
    m_tracePhases->setChecked(m_state.Display.tracePhases);
    // Back from a run: what its polls gave.
    ShowPollRate();
    m_beginShooting->setFocus();
}

bool TMainForm2::PreviewKey(int qtKey, const QString& text) {
    if (qtKey == Qt::Key_Escape) {
        ExitClick();
        return true;
    }
    if (qtKey == Qt::Key_F5) {
        CheckDeviceClick();
        return true;
    }
    // "S" and the letter on the same key of the Russian layout.
    if (text == QLatin1String("S") || text == QLatin1String("s") || text == QStringLiteral("Ы") ||
        text == QStringLiteral("ы")) {
        BAdditionalSettingsClick();
        return true;
    }
    return false;
}

void TMainForm2::GetSettings() {
    ApplyChoice(CurrentChoice(), m_state);
}

void TMainForm2::BeginShootingClick() {
    GetSettings();
    auto single = [this](int lane) {
        if (m_state.LanePresent[static_cast<size_t>(lane)] == 1) {
            m_state.settings.Shooter = static_cast<std::uint32_t>(lane + 1);
            ActivateWindow(QStringLiteral("TShoot1"));
        } else if (m_services.dialogs != nullptr) {
            m_services.dialogs->Message(QStringLiteral("Отсутствует сигнал для этого стрелка!"),
                                        QStringLiteral("Error"), MessageIcon::Error);
        }
    };
    if (m_shooter[0]->isChecked()) {
        single(0);
    } else if (m_shooter[1]->isChecked()) {
        single(1);
    } else if (m_shooter[2]->isChecked()) {
        m_state.settings.Shooter = 3;
        m_state.CurrentLane = 0;
        m_state.ResultSource = 0;
        ActivateWindow(QStringLiteral("TShoot2"));
    } else {
        m_state.settings.Shooter = 31;
        ActivateWindow(QStringLiteral("TShoots5"));
    }
}

void TMainForm2::PreShootingClick() {
    GetSettings();
    ActivateWindow(QStringLiteral("TPreShoot"));
}

void TMainForm2::ArchiveClick() {
    ActivateWindow(QStringLiteral("TArchiv1"));
}

void TMainForm2::GroupsClick() {
    ActivateWindow(QStringLiteral("TGroupsForm"));
}

void TMainForm2::RelayClick() {
    OpenRelayDialog(m_state, {}, this, {});
}

void TMainForm2::TargsClick() {
    ActivateWindow(QStringLiteral("TTargsType"));
}

void TMainForm2::BAdditionalSettingsClick() {
    ActivateWindow(QStringLiteral("TForm3"));
}

void TMainForm2::SaveSettingsClick() {
    GetSettings();
    Settings saved = m_state.settings;
    // The demonstration's port lives only as long as this session; a port chosen since then
    // is the user's and is saved.
    if (m_savedPort && saved.SerialPort == m_savedPort->demoLink) {
        saved.SerialPort = m_savedPort->port;
        saved.IO_Serial = m_savedPort->ioSerial;
    }
    WriteSettings(saved, m_state.PathFor(QString::fromLatin1(kSettingsFileName)));
}

void TMainForm2::ExitClick() {
    if (onExit) {
        onExit();
    }
}

void TMainForm2::RepeatSeriesClick() {
    const bool on = m_repeatSeries->isChecked();
    m_state.settings.RepeatEnabled = on ? 1 : 0;
    m_upDownSeries->setEnabled(on);
    if (!on) {
        m_state.settings.RepeatTime = m_upDownSeries->value();
    }
}

void TMainForm2::SelectIndividualTargets() {
    m_otherTarget->setChecked(true);
    m_comboBoxTarget->setCurrentIndex(0);
    UpdateEnabling();
}

} // namespace ryvo
