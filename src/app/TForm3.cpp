#include "app/TForm3.h"

#include "app/SearchRunner.h"
#include "app/TForm2.h"
#include "calibration/Calibration.h"
#include "calibration/ShooterZero.h"
#include "core/Conversions.h"
#include "platform/Dialogs.h"
#include "platform/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

namespace ryvo {

namespace {

QSpinBox* TimeBox(const char* editName, const char* upDownName, int low, int high,
                  const QString& unit) {
    auto* box = Named(new QSpinBox, upDownName);
    box->setRange(low, high);
    box->setSuffix(unit); // shown beside the number, not part of the value
    box->findChild<QLineEdit*>()->setObjectName(QString::fromLatin1(editName));
    return box;
}

// Whole numbers are typed as digits only (no sign, no group separators).
QValidator* DigitsOnly(int maxDigits, QObject* parent) {
    return new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,%1}").arg(maxDigits)), parent);
}

QString Format52(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%5.2f", static_cast<double>(value));
    return QString::fromLatin1(buffer);
}

constexpr int kSoundCountId[3] = {2001, 2002, 2003};
constexpr int kSoundNameId[3] = {2101, 2201, 2301};
constexpr int kSoundDataId[3] = {2151, 2251, 2351};
constexpr std::uint32_t kNoSelection = 0xFFFFFFFFU;

const std::array<QString, 6> kCalibrationCaptions = {
    QStringLiteral("Смещение центра по X"), QStringLiteral("Смещение центра по Y"),
    QStringLiteral("Масштаб слева"),        QStringLiteral("Масштаб справа"),
    QStringLiteral("Масштаб сверху"),       QStringLiteral("Масштаб снизу")};

} // namespace

TForm3::TForm3(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TForm3"), QStringLiteral("Дополнительные параметры"), parent),
      m_state(state), m_services(services) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("DejaVu Serif")});
    font.setPixelSize(15);
    setFont(font);

    auto* group1 = Named(new QGroupBox(QStringLiteral(" Временные параметры, центр и масштабы ")),
                         "GroupBox1");
    auto* grid = new QGridLayout(group1);
    m_edit1 = Named(new QLineEdit(QStringLiteral("1")), "Edit1");
    // Digits only; a number outside 1..5 still gets its message.
    m_edit1->setValidator(DigitsOnly(2, m_edit1));
    auto* upDown1 = Named(new QWidget, "UpDown1");
    auto* upDownLayout = new QVBoxLayout(upDown1);
    upDownLayout->setContentsMargins(0, 0, 0, 0);
    upDownLayout->setSpacing(0);
    auto* up = new QToolButton;
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton;
    down->setArrowType(Qt::DownArrow);
    upDownLayout->addWidget(up);
    upDownLayout->addWidget(down);
    auto* show = Named(new QPushButton(QStringLiteral("Вывести")), "Button1");
    auto* laneRow = new QHBoxLayout;
    laneRow->addWidget(Named(new QLabel(QStringLiteral("Стрелок:")), "StaticText1"));
    laneRow->addWidget(m_edit1);
    laneRow->addWidget(upDown1);
    laneRow->addWidget(show);
    grid->addLayout(laneRow, 0, 0, 1, 2);

    const QString ms = QStringLiteral(" мс");
    m_timeShoot = TimeBox("TimeShoot", "TimeShootU", 1, 100, ms);
    m_timeGun = TimeBox("TimeGun", "TimeGunU", 1, 100, ms);
    m_timePost = TimeBox("TimePost", "TimePostU", 0, 10000, ms);
    // The glow's length counts trace points, not time.
    m_timeTrace = TimeBox("TimeTrace", "TimeTraceU", 0, 32767, QStringLiteral(" точек"));
    const std::array<std::pair<const char*, QString>, 4> timeCaptions = {{
        {"TimeShootB", QStringLiteral("Время округления для выстрела")},
        {"TimeGunB", QStringLiteral("Время округления для указателя")},
        {"TimePostB", QStringLiteral("Время для 'срыва' курка")},
        {"TimeTraceB", QStringLiteral("Длина свечения следа")},
    }};
    const std::array<QSpinBox*, 4> timeBoxes = {m_timeShoot, m_timeGun, m_timePost, m_timeTrace};
    int row = 1;
    for (size_t i = 0; i < timeBoxes.size(); ++i, ++row) {
        auto* caption = Named(new QPushButton(timeCaptions[i].second), timeCaptions[i].first);
        caption->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(caption, row, 0);
        grid->addWidget(timeBoxes[i], row, 1);
    }
    const std::array<std::array<const char*, 2>, 6> calibrationNames = {{
        {"BCentX", "ECentX"},
        {"BCentY", "ECentY"},
        {"BScaleL", "EScaleL"},
        {"BScaleR", "EScaleR"},
        {"BScaleU", "EScaleU"},
        {"BScaleD", "EScaleD"},
    }};
    for (size_t i = 0; i < m_calibration.size(); ++i, ++row) {
        auto* caption = Named(new QPushButton(kCalibrationCaptions[i]), calibrationNames[i][0]);
        caption->setFocusPolicy(Qt::NoFocus);
        m_calibration[i] = Named(new QLineEdit, calibrationNames[i][1]);
        grid->addWidget(caption, row, 0);
        grid->addWidget(m_calibration[i], row, 1);
    }
    auto* write = Named(new QPushButton(QStringLiteral("Записать в файл")), "Button2");
    auto* exit = Named(new QPushButton(QStringLiteral("Выход")), "Exit");

    auto* group3 = Named(new QGroupBox(QStringLiteral("Дополнительные параметры")), "GroupBox3");
    auto* group3Layout = new QVBoxLayout(group3);
    auto* group5 = Named(new QGroupBox(QStringLiteral(" Звуки ")), "GroupBox5");
    auto* soundGrid = new QGridLayout(group5);
    const std::array<std::pair<const char*, QString>, 3> soundCaptions = {{
        {"StaticText8", QStringLiteral(" Начало стрельбы:")},
        {"StaticText9", QStringLiteral(" Выстрел:")},
        {"StaticText10", QStringLiteral(" Конец стрельбы:")},
    }};
    const std::array<const char*, 3> soundNames = {"Sound1", "Sound2", "Sound3"};
    for (int i = 0; i < 3; ++i) {
        soundGrid->addWidget(Named(new QLabel(soundCaptions[static_cast<size_t>(i)].second),
                                   soundCaptions[static_cast<size_t>(i)].first),
                             i, 0);
        m_sounds[static_cast<size_t>(i)] = Named(new QComboBox, soundNames[static_cast<size_t>(i)]);
        soundGrid->addWidget(m_sounds[static_cast<size_t>(i)], i, 1);
    }
    group3Layout->addWidget(group5);
    auto* group6 = Named(new QGroupBox(QStringLiteral("Активные мишени ")), "GroupBox6");
    auto* group6Layout = new QVBoxLayout(group6);
    m_smartTarget = Named(new QCheckBox(QStringLiteral("Включить")), "CBSmartTarget");
    auto* scripts = Named(new QPushButton(QStringLiteral("Установить")), "Button3");
    group6Layout->addWidget(m_smartTarget);
    group6Layout->addWidget(scripts);
    group3Layout->addWidget(group6);

    QGroupBox* group2 = BuildPortGroup();
    m_automat = Named(new QCheckBox(QStringLiteral("Оружие - автомат")), "CBAutomat");
    m_numRepDraw = Named(new QLineEdit(QStringLiteral("1")), "NumRepDraw");
    m_numRepDraw->setValidator(DigitsOnly(9, m_numRepDraw));
    auto* repRow = new QHBoxLayout;
    repRow->addWidget(Named(new QLabel(QStringLiteral("Интервал перерисовки")), "StaticText2"));
    repRow->addWidget(m_numRepDraw);

    auto* left = new QVBoxLayout;
    left->addWidget(group1);
    left->addWidget(write);
    left->addWidget(exit);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(group3);
    right->addWidget(group2);
    right->addWidget(m_automat);
    right->addLayout(repRow);
    right->addStretch(1);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    for (int i = 0; i < 3; ++i) {
        FillSoundList(i);
        connect(m_sounds[static_cast<size_t>(i)], &QComboBox::currentIndexChanged, this,
                [this, i](int index) {
                    const auto value = index < 0 ? kNoSelection : static_cast<std::uint32_t>(index);
                    (i == 0   ? m_state.settings.Sound1
                     : i == 1 ? m_state.settings.Sound2
                              : m_state.settings.Sound3) = value;
                });
    }
    connect(m_smartTarget, &QCheckBox::toggled, this,
            [this](bool on) { m_state.settings.SmartTarget = on ? 1 : 0; });
    connect(m_automat, &QCheckBox::toggled, this,
            [this](bool on) { m_state.settings.WeaponType = on ? 1 : 0; });
    ConnectPortGroup();
    connect(show, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(up, &QToolButton::clicked, this, [this] { UpDown1Click(1); });
    connect(down, &QToolButton::clicked, this, [this] { UpDown1Click(-1); });
    connect(exit, &QPushButton::clicked, this, &TForm3::ExitClick);
    connect(write, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(scripts, &QPushButton::clicked, this, &TForm3::Button3Click);
}

void TForm3::FillSoundList(int list) {
    QComboBox* box = m_sounds[static_cast<size_t>(list)];
    box->clear();
    if (!m_state.SoundLibrary) {
        return;
    }
    const int count =
        std::max(0, m_state.SoundLibrary->String(kSoundCountId[list]).value_or(QString()).toInt());
    for (int i = 0; i < count; ++i) {
        box->addItem(m_state.SoundLibrary->String(kSoundNameId[list] + i).value_or(QString()));
    }
    box->setCurrentIndex(count > 0 ? 0 : -1);
}

void TForm3::SelectSound(int list, std::uint32_t index) {
    QComboBox* box = m_sounds[static_cast<size_t>(list)];
    box->setCurrentIndex(index < static_cast<std::uint32_t>(box->count()) ? static_cast<int>(index)
                                                                          : -1);
    // The list owns the choice: what it shows is what the settings keep.
    const int shown = box->currentIndex();
    (list == 0   ? m_state.settings.Sound1
     : list == 1 ? m_state.settings.Sound2
                 : m_state.settings.Sound3) =
        shown < 0 ? kNoSelection : static_cast<std::uint32_t>(shown);
}

void TForm3::SettingsLoaded() {
    ShowTimes();
    m_numRepDraw->setText(QString::number(m_state.settings.NumReps));
    m_checkBox1->setChecked(m_state.settings.IO_Serial != 0);
    SelectSound(0, m_state.settings.Sound1);
    SelectSound(1, m_state.settings.Sound2);
    SelectSound(2, m_state.settings.Sound3);
    m_smartTarget->setChecked(m_state.settings.SmartTarget != 0);
    m_automat->setChecked(m_state.settings.WeaponType != 0);
}

void TForm3::ShowTimes() {
    m_timeShoot->setValue(m_state.settings.TimeShoot);
    m_timeGun->setValue(m_state.settings.TimeGun);
    m_timePost->setValue(m_state.settings.TimePost);
    m_timeTrace->setValue(m_state.settings.TimeTrace);
}

void TForm3::ShowCalibration() {
    const auto lane = static_cast<size_t>(m_shownLane);
    const Settings& s = m_state.settings;
    const std::array<float, 6> values = {s.CentX[lane],  s.CentY[lane],  s.ScaleL[lane],
                                         s.ScaleR[lane], s.ScaleU[lane], s.ScaleD[lane]};
    for (size_t i = 0; i < values.size(); ++i) {
        m_calibration[i]->setText(Format52(values[i]));
    }
}

bool TForm3::StoreCalibrationEdits() {
    const auto lane = static_cast<size_t>(m_shownLane);
    Settings& s = m_state.settings;
    const std::array<float*, 6> fields = {&s.CentX[lane],  &s.CentY[lane],  &s.ScaleL[lane],
                                          &s.ScaleR[lane], &s.ScaleU[lane], &s.ScaleD[lane]};
    // All six or none: a refused field leaves the lane's calibration as it was. A comma is
    // the decimal point Russian users type; an empty edit stores 0.
    std::array<float, 6> values{};
    for (size_t i = 0; i < fields.size(); ++i) {
        const QString text = m_calibration[i]->text();
        const auto value =
            text.trimmed().isEmpty() ? std::optional<double>(0.0) : DecimalField(text);
        if (!value) {
            ShowError(NotADecimalMessage(kCalibrationCaptions[i], text));
            m_calibration[i]->setFocus();
            m_calibration[i]->selectAll();
            return false;
        }
        values[i] = static_cast<float>(*value);
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        *fields[i] = values[i];
    }
    return true;
}

void TForm3::FormActivate() {
    m_edit1->setText(QString::number(m_state.CurrentLane + 1));
    m_upDown1Position = m_state.CurrentLane + 1;
    m_shownLane = std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
    ShowTimes();
    m_numRepDraw->setText(QString::number(m_state.settings.NumReps));
    ShowCalibration();
    m_checkBox1->setChecked(m_state.settings.IO_Serial != 0);
    ShowPortField(m_state.settings.SerialPort);
    m_state.TraceLength = ComputeTraceLength(m_state.settings);
    RefreshPortList();
    m_edit1->setFocus();
}

bool TForm3::PreviewKey(int qtKey, const QString&) {
    if (qtKey == Qt::Key_Escape) {
        ExitClick();
        return true;
    }
    return false;
}

void TForm3::ShowError(const QString& text) {
    if (m_services.dialogs != nullptr) {
        m_services.dialogs->Message(text, QString::fromUtf8(kProductName), MessageIcon::Error);
    }
}

void TForm3::ShowBadLane() {
    if (m_services.dialogs != nullptr) {
        m_services.dialogs->Message(QStringLiteral("Неправильный номер стрелка"),
                                    QStringLiteral("Bad shooters number"), MessageIcon::None);
    }
}

void TForm3::Button1Click() {
    if (!StoreCalibrationEdits()) {
        return;
    }
    const auto n = StrToInt(m_edit1->text());
    if (!n) {
        ShowError(NotAnIntegerMessage(m_edit1->text()));
        return;
    }
    if (*n < 1 || *n > kLaneCount) {
        ShowBadLane();
        return;
    }
    m_shownLane = *n - 1;
    m_upDown1Position = *n;
    m_edit1->setText(QString::number(*n));
    ShowTimes();
    ShowCalibration();
}

void TForm3::UpDown1Click(int step) {
    // The arrows step from the number shown, as an up-down reads its buddy edit; a number out
    // of range is first brought into it.
    if (const auto shown = StrToInt(m_edit1->text())) {
        m_upDown1Position = std::clamp(*shown, 1, kLaneCount);
    }
    m_upDown1Position = std::clamp(m_upDown1Position + step, 1, kLaneCount);
    m_edit1->setText(QString::number(m_upDown1Position));
    Button1Click();
}

TForm3::Outcome TForm3::Apply() {
    const auto n = StrToInt(m_edit1->text());
    if (!n) {
        ShowError(NotAnIntegerMessage(m_edit1->text()));
        return Outcome::Stopped;
    }
    if (*n < 1 || *n > kLaneCount) {
        // Skipping the apply would leave the window showing values that are not in force:
        // the user corrects the lane number instead.
        ShowBadLane();
        return Outcome::Stopped;
    }
    Settings& s = m_state.settings;
    const std::int32_t shown = m_shownLane;
    m_shownLane = *n - 1;
    if (!StoreCalibrationEdits()) {
        m_shownLane = shown; // the edits still show that lane
        return Outcome::Stopped;
    }
    s.TimeShoot = m_timeShoot->value();
    s.TimeGun = m_timeGun->value();
    s.TimePost = m_timePost->value();
    s.TimeTrace = m_timeTrace->value();
    const auto reps = StrToInt(m_numRepDraw->text());
    if (!reps) {
        ShowError(NotAnIntegerMessage(m_numRepDraw->text()));
        return Outcome::Stopped;
    }
    s.NumReps = static_cast<std::uint32_t>(*reps);
    m_state.TraceLength = ComputeTraceLength(s);
    s.IO_Serial = m_checkBox1->isChecked() ? 1 : 0;
    // The settings file keeps the port as one word: a blank typed by the way would cut the
    // name at the next start, and no port name has one.
    QString port = m_editCom->text();
    port.removeIf([](QChar c) { return c.isSpace(); });
    s.SerialPort = (port.startsWith(u'/') ? port : QStringLiteral("COM") + port).left(kMaxPortText);
    return Outcome::Done;
}

void TForm3::ReloadChosenSounds() {
    if (!m_state.SoundLibrary) {
        return;
    }
    const std::array<std::optional<QByteArray>*, 3> targets = {
        &m_state.StartSound, &m_state.ShotSound, &m_state.EndSound};
    for (int i = 0; i < 3; ++i) {
        const int index = m_sounds[static_cast<size_t>(i)]->currentIndex();
        // Without a resource for the choice the sound keeps its previous wave.
        if (auto data = m_state.SoundLibrary->Raw(kSoundDataId[i] + index)) {
            *targets[static_cast<size_t>(i)] = std::move(*data);
        }
    }
}

void TForm3::ExitClick() {
    // A search would hold a port while the main window starts a run on one.
    if (Searching()) {
        m_search->Cancel();
        m_searchStatus->clear();
        m_findDevice->setEnabled(true);
    }
    if (Apply() == Outcome::Stopped) {
        return;
    }
    ReloadChosenSounds();
    ActivateWindow(QStringLiteral("TMainForm2"));
}

void TForm3::Button2Click() {
    if (Apply() == Outcome::Stopped) {
        return;
    }
    ReloadChosenSounds();
    const QString path = m_state.PathFor(QString::fromLatin1(kCalibrationFileName));
    // A lane with a shooter's own zero keeps its own values in the file.
    if (!WriteCalibration(OwnCalibrationSettings(m_state), path)) {
        ShowError(QStringLiteral("Не удалось записать файл %1.").arg(path));
    }
}

void TForm3::Button3Click() {
    ActivateWindow(QStringLiteral("TFormTarLight"));
}

} // namespace ryvo
