#pragma once

#include "exercise/ExerciseView.h"

#include <QPoint>
#include <QStringList>

#include <map>
#include <vector>

namespace ryvo::test {

// Keeps what the engine asks of its window: texts, visibility, places, buttons, pictures.
class RecordingView final : public ExerciseView {
public:
    RecordingView() {
        enabled[ViewButton::Start] = true;
        enabled[ViewButton::Exit] = true;
    }

    void SetText(ViewText text, const QString& value) override {
        texts[text] = value;
        history[text].push_back(value);
    }
    void SetVisible(ViewItem item, bool v) override { visible[item] = v; }
    void Place(ViewItem item, int left, int top) override {
        places[item] = QPoint(left, top);
        ++placeCount[item];
    }
    QSize ItemSize(ViewItem item) const override {
        return item == ViewItem::Gun2 || item == ViewItem::PostGun ? QSize(20, 21) : QSize(30, 30);
    }
    void Fill(ViewItem item, Color color) override { fills[item] = color; }
    void SetEnabled(ViewButton button, bool e) override { enabled[button] = e; }
    bool IsEnabled(ViewButton button) const override {
        const auto it = enabled.find(button);
        return it != enabled.end() && it->second;
    }
    void FocusStart() override { ++focus; }
    Canvas& Picture(ViewPicture picture) override {
        switch (picture) {
        case ViewPicture::FailArrow:
            return failArrow;
        case ViewPicture::SignalI:
            return signal;
        case ViewPicture::Target:
            break;
        }
        return target;
    }
    void Repaint(ViewPicture picture) override { ++repaints[picture]; }
    int SignalLength() const override { return signal.Width(); }
    void ActivateWindow(const QString& className) override { activated << className; }

    bool Visible(ViewItem item) const {
        const auto it = visible.find(item);
        return it != visible.end() && it->second;
    }
    QString Text(ViewText text) const {
        const auto it = texts.find(text);
        return it != texts.end() ? it->second : QString();
    }

    ImageCanvas target{526, 526, kButtonFace};
    ImageCanvas failArrow{30, 30, kButtonFace};
    ImageCanvas signal{235, 39, kButtonFace};
    std::map<ViewText, QString> texts;
    std::map<ViewText, std::vector<QString>> history;
    std::map<ViewItem, bool> visible;
    std::map<ViewItem, QPoint> places;
    std::map<ViewItem, int> placeCount;
    std::map<ViewItem, Color> fills;
    std::map<ViewButton, bool> enabled;
    std::map<ViewPicture, int> repaints;
    QStringList activated;
    int focus = 0;
};

} // namespace ryvo::test
