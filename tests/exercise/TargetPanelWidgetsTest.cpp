#include "exercise/TargetPanelWidgets.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace ryvo;

namespace {

// A page twice the base size, so markers that follow the window are drawn at scale 2.
struct Host {
    ExercisePage page{QStringLiteral("TTest"), QStringLiteral("Test")};
    QHBoxLayout* layout = new QHBoxLayout(&page);

    Host() { page.resize(2 * ExercisePage::kBaseWidth, 2 * ExercisePage::kBaseHeight); }
    void Show() {
        page.show();
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST(TargetPanelWidgets, MarkersFollowTheWindowUnlessFixedAndArrowsSitAtTheTargetsEdges) {
    Host p;
    TargetPanelWidgets scaled(p.page);
    p.layout->addWidget(scaled.AddTarget("Panel1", "Target", 300, 200));
    scaled.AddMarkers({"Gun2", "PostGun", "LeftArrow", "RightArrow", "UpArrow", "DownArrow"});
    TargetPanelWidgets fixed(p.page, TargetPanelWidgets::Sizing::Fixed);
    fixed.SetPicture(ViewPicture::Target,
                     new PictureWidget("Target2", QSize(505, 505), kButtonFace, &p.page));
    fixed.AddMarkers({"Gun", "PostGun2", "Left", "Right", "Up", "Down"}, 20);

    p.Show();
    ASSERT_EQ(p.page.Scale(), 2.0);
    scaled.PlaceMarkers();
    fixed.PlaceMarkers();
    EXPECT_EQ(scaled.ItemSize(ViewItem::Gun2), QSize(40, 42));
    EXPECT_EQ(scaled.ItemSize(ViewItem::RightArrow), QSize(48, 48));
    EXPECT_EQ(fixed.ItemSize(ViewItem::PostGun), QSize(20, 20));
    EXPECT_FALSE(scaled.Item(ViewItem::Gun2)->isVisibleTo(&p.page));
    const QWidget* right = fixed.Item(ViewItem::RightArrow);
    EXPECT_EQ(right->geometry(), QRect(505 - 24, (505 - 24) / 2, 24, 24));
    EXPECT_EQ(fixed.Item(ViewItem::DownArrow)->pos(), QPoint((505 - 24) / 2, 505 - 24));
}

TEST(TargetPanelWidgets, TheViewReachesLabelsButtonsMarkersAndTheLevelBar) {
    Host p;
    TargetPanelWidgets panel(p.page);
    p.layout->addWidget(panel.AddTarget("Panel1", "Target", 300, 200));
    panel.AddMarkers({"Gun2", "PostGun", "LeftArrow", "RightArrow", "UpArrow", "DownArrow"});
    p.layout->addWidget(panel.AddStatistics(
        "GroupBoxStat", {{"NumT", QStringLiteral("N"), "Num", ViewText::Num}}, 18.0));
    p.layout->addWidget(panel.AddSignalGroup(QSize(235, 39), 254));
    auto* start = panel.AddButton(ViewButton::Start, new QPushButton(&p.page));
    auto* lamp = new QLabel(&p.page);
    lamp->setFixedSize(10, 10);
    panel.AddItem(ViewItem::Image1, lamp);
    p.Show();

    panel.SetText(ViewText::Num, QStringLiteral("7"));
    panel.SetText(ViewText::StartCaption, QStringLiteral("Стоп"));
    panel.SetText(ViewText::ViewShootsCaption, QStringLiteral("no such button"));
    EXPECT_EQ(panel.Label(ViewText::Num)->text(), QStringLiteral("7"));
    EXPECT_EQ(start->text(), QStringLiteral("Стоп"));
    EXPECT_TRUE(panel.Label(ViewText::Num)->font().bold());

    panel.SetEnabled(ViewButton::Start, false);
    EXPECT_FALSE(panel.IsEnabled(ViewButton::Start));
    EXPECT_FALSE(panel.IsEnabled(ViewButton::Save)) << "a button the window lacks";

    // Markers move at the next display frame, or when the run presents its changes.
    panel.SetVisible(ViewItem::Gun2, true);
    panel.Place(ViewItem::Gun2, 50, 60);
    EXPECT_TRUE(p.page.Display().Pending());
    panel.Present();
    EXPECT_EQ(panel.Item(ViewItem::Gun2)->pos(), QPoint(50, 60));
    EXPECT_TRUE(panel.Item(ViewItem::Gun2)->isVisibleTo(&p.page));
    EXPECT_EQ(panel.ItemSize(ViewItem::Fail), QSize()) << "no miss picture on this panel";

    panel.Fill(ViewItem::Image1, kRed);
    EXPECT_EQ(lamp->pixmap().toImage().pixelColor(5, 5), ToQColor(kRed));

    // The bar's full length is its group's width, wider than the bar.
    const auto* group = p.page.findChild<QGroupBox*>(QStringLiteral("Signal"));
    EXPECT_EQ(panel.SignalLength(), group->width());
    EXPECT_GT(panel.SignalLength(), panel.View(ViewPicture::SignalI)->width());
    EXPECT_EQ(&panel.Picture(ViewPicture::SignalI), &panel.View(ViewPicture::SignalI)->Canvas());
}
