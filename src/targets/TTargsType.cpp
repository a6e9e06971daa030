#include "targets/TTargsType.h"

#include "targets/TargetDrawing.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace ryvo {

TTargsType::TTargsType(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TTargsType"), QStringLiteral("Установить мишени"), parent),
      m_state(state), m_services(services) {
    auto* root = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto* heading = new QLabel(QStringLiteral("Тип мишени"));
    heading->setObjectName(QStringLiteral("TarTypeT"));
    grid->addWidget(heading, 2, 0);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        auto* title = new QLabel(QStringLiteral("Мишень  %1").arg(lane + 1));
        title->setObjectName(QStringLiteral("Tar%1t").arg(lane + 1));
        title->setAlignment(Qt::AlignCenter);
        m_pictures[i] = std::make_unique<ImageCanvas>(kPictureSize, kPictureSize, kButtonFace);
        m_views[i] = new QLabel;
        m_views[i]->setObjectName(QStringLiteral("Tar%1").arg(lane + 1));
        m_views[i]->setFixedSize(kPictureSize, kPictureSize);
        m_lists[i] = new QComboBox;
        m_lists[i]->setObjectName(QStringLiteral("ComboBox%1").arg(lane + 1));
        grid->addWidget(title, 0, lane + 1);
        grid->addWidget(m_views[i], 1, lane + 1, Qt::AlignCenter);
        grid->addWidget(m_lists[i], 2, lane + 1);
        connect(m_lists[i], &QComboBox::currentIndexChanged, this, [this, lane] {
            if (!m_filling) {
                ComboBoxChange(lane + 1);
            }
        });
    }
    root->addLayout(grid);
    root->addStretch(1);
    auto* exit = new QPushButton(QStringLiteral("Выход"));
    exit->setObjectName(QStringLiteral("Exit"));
    connect(exit, &QPushButton::clicked, this, &TTargsType::ExitClick);
    root->addWidget(exit, 0, Qt::AlignRight);
    RepaintPictures();
}

void TTargsType::FillLists() {
    m_filling = true;
    QStringList items = {QStringLiteral("Мишень N4"), QStringLiteral("Спортивная")};
    if (m_state.TargetLibrary) {
        for (int i = 1; i <= m_state.OtherTargetCount; ++i) {
            items << m_state.TargetLibrary->String(100 + i).value_or(QString());
        }
    }
    for (QComboBox* list : m_lists) {
        list->clear();
        list->addItems(items);
    }
    m_filling = false;
}

void TTargsType::DrawLanePicture(int lane) {
    const std::int32_t type = m_state.settings.Target[static_cast<size_t>(lane)];
    ImageCanvas& picture = *m_pictures[static_cast<size_t>(lane)];
    if (type == 1) {
        DrawN4Target(picture);
    } else if (type == 2) {
        DrawSportTarget(picture);
    } else if (type >= 3) {
        DrawLibraryTarget(picture, m_state, type); // a missing bitmap leaves the picture
    }
}

void TTargsType::RepaintPictures() {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        m_views[i]->setPixmap(QPixmap::fromImage(m_pictures[i]->Image()));
    }
}

void TTargsType::FormActivate() {
    m_filling = true;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const std::int32_t type = m_state.settings.Target[i];
        DrawLanePicture(lane);
        if (type > 0) {
            // A type beyond the list (library changed or missing) shows no selection.
            m_lists[i]->setCurrentIndex(type - 1 < m_lists[i]->count() ? type - 1 : -1);
            m_lists[i]->show();
        } else {
            m_lists[i]->hide();
        }
    }
    m_filling = false;
    RepaintPictures();
}

bool TTargsType::PreviewKey(int qtKey, const QString&) {
    if (qtKey == Qt::Key_Escape) {
        ExitClick();
        return true;
    }
    return false;
}

void TTargsType::ComboBoxChange(int lane) {
    if (onIndividualChoice) {
        onIndividualChoice();
    }
    const auto i = static_cast<size_t>(lane - 1);
    if (m_state.settings.Target[i] > 0 && m_lists[i]->currentIndex() >= 0) {
        m_state.settings.Target[i] = m_lists[i]->currentIndex() + 1;
    }
    DrawLanePicture(lane - 1);
    RepaintPictures();
}

void TTargsType::ExitClick() {
    ActivateWindow(QStringLiteral("TMainForm2"));
}

} // namespace ryvo
