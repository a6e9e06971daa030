#include "app/TForm3.h"

#include "app/SearchRunner.h"
#include "platform/Dialogs.h"
#include "platform/FittedLabel.h"
#include "platform/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>

namespace ryvo {

// The serial port group of the additional settings: the port field, the system's ports and
// the device search.
QGroupBox* TForm3::BuildPortGroup() {
    auto* group2 = Named(new QGroupBox(QStringLiteral(" Последовательный порт ")), "GroupBox2");
    auto* portLayout = new QGridLayout(group2);
    m_checkBox1 =
        Named(new QCheckBox(QStringLiteral("Работать через последовательный порт")), "CheckBox1");
    m_editCom = Named(new QLineEdit(QStringLiteral("1")), "EditCom");
    m_editCom->setMaxLength(static_cast<int>(kMaxPortText));
    m_portList = Named(new QComboBox, "PortList");
    m_portList->setToolTip(QStringLiteral("Последовательные порты этого компьютера"));
    m_findDevice = Named(new QPushButton(QStringLiteral("Найти прибор")), "FindDevice");
    m_searchStatus = Named(new FittedLabel(1), "SearchStatus");
    portLayout->addWidget(m_checkBox1, 0, 0, 1, 4);
    portLayout->addWidget(Named(new QLabel(QStringLiteral("COM")), "StaticText11"), 1, 0);
    portLayout->addWidget(m_editCom, 1, 1);
    portLayout->addWidget(m_portList, 1, 2);
    portLayout->addWidget(m_findDevice, 1, 3);
    portLayout->addWidget(m_searchStatus, 2, 0, 1, 4);
    return group2;
}

void TForm3::ConnectPortGroup() {
    connect(m_portList, &QComboBox::activated, this, [this](int index) {
        const QString value = m_portList->itemData(index).toString();
        if (!value.isEmpty()) {
            m_editCom->setText(value);
        }
    });
    m_search = new SearchRunner(m_state, m_services, this);
    m_search->onProgress = [this] { m_searchStatus->setText(m_search->Text()); };
    m_search->onFinished = [this] { SearchFinished(); };
    connect(m_findDevice, &QPushButton::clicked, this, &TForm3::FindDeviceClick);
}

void TForm3::RefreshPortList() {
    m_portList->clear();
    m_portList->addItem(QStringLiteral("Порты системы..."), QString());
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports) {
        // "COMn" keeps the field's rule (the number only); elsewhere the device path.
        const QString name = port.portName();
        const QString value =
            name.startsWith(QLatin1String("COM")) ? name.mid(3) : port.systemLocation();
        const QString label =
            port.description().isEmpty()
                ? port.systemLocation()
                : QStringLiteral("%1 (%2)").arg(port.systemLocation(), port.description());
        m_portList->addItem(label, value);
    }
}

void TForm3::ShowPortField(const QString& port) {
    if (port.startsWith(u'/')) {
        m_editCom->setText(port); // a device path is shown and kept as it is
    } else if (port.size() >= 4 && port[3] >= u'1' && port[3] <= u'9') {
        m_editCom->setText(port.mid(3, 1));
    }
}

bool TForm3::Searching() const {
    return m_search->Running();
}

void TForm3::FindDeviceClick() {
    if (Searching() || (deviceBusy && deviceBusy())) {
        return;
    }
    m_findDevice->setEnabled(false);
    m_search->Start();
}

void TForm3::SearchFinished() {
    m_findDevice->setEnabled(true);
    m_searchStatus->setText(m_search->Text());
    const DeviceSearch* search = m_search->Search();
    if (search == nullptr || !search->Found() ||
        !OfferFoundDevice(m_services.dialogs, *search->Found())) {
        return;
    }
    const QString port = *search->Found();
    // The field holds what follows "COM", or a whole device path.
    m_editCom->setText(port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? port.mid(3)
                                                                                  : port);
    m_checkBox1->setChecked(true);
    if (onUseDevice) {
        onUseDevice(port);
    } else {
        m_state.settings.SerialPort = port;
        m_state.settings.IO_Serial = 1;
    }
}

} // namespace ryvo
