#pragma once

#include "core/ProgramState.h"
#include "platform/Canvas.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;

namespace ryvo {

// Gives each lane in use its own target type; the choice goes straight into Settings.
class TTargsType final : public Page {
    Q_OBJECT
public:
    static constexpr int kPictureSize = 100;

    TTargsType(ProgramState& state, const Services& services, QWidget* parent = nullptr);

    // Fills the five lists: "Мишень N4", "Спортивная", then the library's targets.
    void FillLists();
    void FormActivate() override;
    bool PreviewKey(int qtKey, const QString& text) override;
    // A lane's list changed (lane 1..5).
    void ComboBoxChange(int lane);
    void ExitClick();

    [[nodiscard]] QComboBox* List(int lane) const { return m_lists[static_cast<size_t>(lane)]; }
    [[nodiscard]] const QImage& Picture(int lane) const {
        return m_pictures[static_cast<size_t>(lane)]->Image();
    }

    // Switches the main window to individual settings per lane.
    std::function<void()> onIndividualChoice;

private:
    void DrawLanePicture(int lane);
    void RepaintPictures();

    ProgramState& m_state;
    Services m_services;
    std::array<QComboBox*, kLaneCount> m_lists{};
    std::array<QLabel*, kLaneCount> m_views{};
    std::array<std::unique_ptr<ImageCanvas>, kLaneCount> m_pictures;
    bool m_filling = false;
};

} // namespace ryvo
