#include "device/TInitial.h"

#include "core/Product.h"
#include "device/SerialLink.h"
#include "device/TInitialCheck.h"
#include "platform/Dialogs.h"
#include "platform/Sound.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace ryvo {

namespace {

constexpr int kEmblemSize = 96;

} // namespace

QPixmap DrawTargetEmblem(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size / 2.0, size / 2.0);
    const double outer = size / 2.0 - 2.0;
    // Alternating rings from the outside in, black bull in the middle.
    for (int ring = 0; ring < 5; ++ring) {
        const double radius = outer * (5 - ring) / 5.0;
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(ring % 2 == 0 ? QColor(Qt::white) : QColor(0xE0, 0xE0, 0xE0));
        if (ring == 4) {
            painter.setBrush(Qt::black);
        }
        painter.drawEllipse(centre, radius, radius);
    }
    painter.setPen(QPen(QColor(0xC0, 0x20, 0x20), 2.0));
    painter.drawLine(QPointF(centre.x(), 1.0), QPointF(centre.x(), size - 1.0));
    painter.drawLine(QPointF(1.0, centre.y()), QPointF(size - 1.0, centre.y()));
    return pixmap;
}

TInitial::TInitial(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TInitial"), QStringLiteral("Инициализация"), parent),
      TFormShoot(state, services) {
    auto* outer = new QVBoxLayout(this);
    // A small framed box in the middle of the page, like a centred dialog.
    auto* box = new QFrame(this);
    box->setObjectName(QStringLiteral("DialogBox"));
    box->setFrameStyle(QFrame::Panel | QFrame::Raised);
    box->setLineWidth(2);
    outer->addStretch(1);
    outer->addWidget(box, 0, Qt::AlignCenter);
    outer->addStretch(1);

    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(24, 16, 24, 16);
    auto* caption = new QLabel(windowTitle(), box);
    caption->setObjectName(QStringLiteral("CaptionText"));
    caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(caption);

    m_image = new QLabel(box);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setPixmap(DrawTargetEmblem(kEmblemSize));
    m_image->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_image);

    m_text = new QLabel(QStringLiteral("Идет настройка системы"), box);
    m_text->setObjectName(QStringLiteral("StaticText1"));
    QFont bold = m_text->font();
    bold.setBold(true);
    m_text->setFont(bold);
    m_text->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_text);

    m_contact = new QLabel(QString::fromUtf8(kContactLine), box);
    m_contact->setObjectName(QStringLiteral("StaticText2"));
    m_contact->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_contact);
}

void TInitial::Calibrate() {
    m_state.Port.reset();
    // Painted now, since the event loop does not run until start-up is over.
    if (isVisible()) {
        repaint();
    }
    GlobalInitialisation(m_state);
    if (m_readCalibration) {
        m_readCalibration();
    }
    if (OpenPort(m_state, m_services) == 0) {
        m_state.LanePresent.fill(0);
    }
    InitRate();

    // The shot sound is heard once; whether it plays decides between sounds and beeps for
    // the rest of the run. Start-up goes on while it plays (no waiting inside a handler); an
    // output that fails on the way still turns the sounds off.
    m_state.SoundAvailable = 0;
    if (m_services.sound != nullptr && m_state.ShotSound && !m_state.ShotSound->isEmpty()) {
        ProgramState* state = &m_state;
        const bool started =
            m_services.sound->PlayToCompletion(*m_state.ShotSound, [state](bool played) {
                if (!played) {
                    state->SoundAvailable = 0;
                }
            });
        m_state.SoundAvailable = started ? 1 : 0;
    }

    DeviceCheck check(m_state, m_services, *this);
    const QString problem = check.SettleLanes();
    m_summary = check.Summary();
    // The device may sit on another port (a USB adapter gets a name of its own): the message
    // offers to look for it there, once the main window is up.
    m_searchRequested = false;
    if (!problem.isEmpty() && m_services.dialogs != nullptr) {
        m_searchRequested = m_services.dialogs->Message(
                                problem + OfferSearchText(), QStringLiteral("Error"),
                                MessageIcon::Error, MessageButtons::YesNo) == MessageAnswer::Yes;
    }
}

int TInitial::InitRate() {
    DeviceCheck check(m_state, m_services, *this);
    check.BeginBurst();
    while (check.Step()) {
    }
    return check.EndBurst();
}

} // namespace ryvo
