#include "app/TFirstStart.h"

#include "app/SearchRunner.h"
#include "platform/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace ryvo {

TFirstStart::TFirstStart(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TFirstStart"), QStringLiteral("Первый запуск"), parent), m_state(state),
      m_services(services) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("DejaVu Serif")});
    font.setPixelSize(18);
    setFont(font);

    // A framed box in the middle of the page, like the start-up window.
    auto* outer = new QVBoxLayout(this);
    auto* box = Named(new QFrame(this), "DialogBox");
    box->setFrameStyle(QFrame::Panel | QFrame::Raised);
    box->setLineWidth(2);
    outer->addStretch(1);
    outer->addWidget(box, 0, Qt::AlignCenter);
    outer->addStretch(1);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(24, 16, 24, 16);

    auto* caption = Named(new QLabel(windowTitle()), "CaptionText");
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(caption);
    m_found = Named(new QLabel, "FoundText");
    m_found->setWordWrap(true);
    layout->addWidget(m_found);

    auto* lanes = Named(new QGroupBox(QStringLiteral(" Стрелки и мишень ")), "GroupBoxLanes");
    auto* grid = new QGridLayout(lanes);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        auto* check = new QCheckBox(QStringLiteral("Стрелок %1").arg(lane + 1));
        check->setObjectName(QStringLiteral("Lane%1").arg(lane + 1));
        m_lanes[static_cast<size_t>(lane)] = check;
        grid->addWidget(check, 0, lane);
    }
    m_target = Named(new QComboBox, "TargetType");
    m_target->addItem(QStringLiteral("Мишень N4"));
    m_target->addItem(QStringLiteral("Спортивная"));
    const int count = m_state.TargetLibrary ? m_state.OtherTargetCount : 0;
    for (int i = 1; i <= count; ++i) {
        m_target->addItem(m_state.TargetLibrary->String(100 + i).value_or(QString()));
    }
    grid->addWidget(Named(new QLabel(QStringLiteral("Мишень:")), "TargetLabel"), 1, 0);
    grid->addWidget(m_target, 1, 1, 1, kLaneCount - 1);
    layout->addWidget(lanes);

    auto* note = Named(new QLabel(QStringLiteral(
                           "Настройки пока не записаны: программа запишет их в файл ryvw.cfg "
                           "кнопкой «Сохранить настройки» главного окна или сейчас.")),
                       "SaveNote");
    note->setWordWrap(true);
    layout->addWidget(note);
    m_save = Named(new QCheckBox(QStringLiteral("Сохранить настройки сейчас")), "SaveNow");
    layout->addWidget(m_save);

    m_use = Named(new QPushButton(QStringLiteral("Использовать прибор")), "UseDevice");
    m_demo = Named(new QPushButton(QStringLiteral("Демонстрация")), "Demo");
    m_demo->setVisible(false);
    auto* settings = Named(new QPushButton(QStringLiteral("Настройки")), "Settings");
    m_again = Named(new QPushButton(QStringLiteral("Искать снова")), "SearchAgain");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_use, m_demo, settings, m_again}) {
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    m_search = new SearchRunner(m_state, m_services, this);
    m_search->onProgress = [this] { m_found->setText(m_search->Text()); };
    m_search->onFinished = [this] { SearchFinished(); };
    connect(m_use, &QPushButton::clicked, this, &TFirstStart::UseDeviceClick);
    connect(m_demo, &QPushButton::clicked, this, &TFirstStart::DemoClick);
    connect(settings, &QPushButton::clicked, this, &TFirstStart::SettingsClick);
    connect(m_again, &QPushButton::clicked, this, &TFirstStart::SearchAgainClick);
    m_use->setEnabled(false);
    setFocusProxy(m_use);
}

TFirstStart::~TFirstStart() = default;

void TFirstStart::FormActivate() {
    if (!m_searched) {
        m_searched = true;
        SearchAgainClick();
    }
}

bool TFirstStart::PreviewKey(int qtKey, const QString&) {
    if (qtKey == Qt::Key_Escape) {
        m_search->Cancel();
        ActivateWindow(QStringLiteral("TMainForm2"));
        return true;
    }
    return false;
}

void TFirstStart::SetDemoAvailable(bool available) {
    m_demo->setVisible(available);
}

bool TFirstStart::Searching() const {
    return m_search->Running();
}

void TFirstStart::SearchAgainClick() {
    m_use->setEnabled(false);
    m_again->setEnabled(false);
    for (QCheckBox* lane : m_lanes) {
        lane->setEnabled(false);
    }
    m_search->Start();
}

void TFirstStart::SearchFinished() {
    m_again->setEnabled(true);
    const DeviceSearch* search = m_search->Search();
    const bool found = search != nullptr && search->Found().has_value();
    QStringList answering;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        QCheckBox* check = m_lanes[static_cast<size_t>(lane)];
        // Found: the lanes that answered. Nothing found: any lanes, for the demonstration.
        const bool usable = !found || search->Lanes()[static_cast<size_t>(lane)];
        check->setEnabled(usable);
        check->setChecked(found ? usable : lane < 2);
        if (found && usable) {
            answering << QString::number(lane + 1);
        }
    }
    m_use->setEnabled(found);
    if (found) {
        m_found->setText(QStringLiteral("Прибор найден на порту %1, отвечают стрелки: %2.")
                             .arg(*search->Found(), answering.join(QStringLiteral(", "))));
        m_use->setFocus();
    } else {
        m_found->setText(m_search->Text() +
                         QStringLiteral(". Подключите прибор и нажмите «Искать снова», или "
                                        "откройте демонстрацию или настройки."));
    }
}

void TFirstStart::ApplyLanes() {
    Settings& s = m_state.settings;
    // Item 0 is the N4 target (type 1), item 1 the sport target (2), then the library's.
    const int type = std::max(0, m_target->currentIndex()) + 1;
    std::uint32_t mask = 0;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const bool use = m_lanes[static_cast<size_t>(lane)]->isChecked();
        s.Target[static_cast<size_t>(lane)] = use ? type : -1;
        if (use) {
            mask |= 1U << static_cast<unsigned>(lane);
        }
    }
    // Shooter 1, shooter 2, both, or up to five: the main window's four choices.
    s.Shooter = mask == 1U || mask == 2U || mask == 3U ? mask : 31U;
}

void TFirstStart::UseDeviceClick() {
    const DeviceSearch* search = m_search->Search();
    if (Searching() || search == nullptr || !search->Found()) {
        return;
    }
    ApplyLanes();
    if (onUseDevice) {
        onUseDevice(*search->Found(), m_save->isChecked());
    }
}

void TFirstStart::DemoClick() {
    m_search->Cancel();
    m_again->setEnabled(true);
    if (std::none_of(m_lanes.begin(), m_lanes.end(), [](QCheckBox* c) { return c->isChecked(); })) {
        m_lanes[0]->setChecked(true);
        m_lanes[1]->setChecked(true);
    }
    ApplyLanes();
    if (onDemo) {
        onDemo(m_save->isChecked());
    }
}

void TFirstStart::SettingsClick() {
    m_search->Cancel();
    m_again->setEnabled(true);
    ActivateWindow(QStringLiteral("TForm3"));
}

} // namespace ryvo
