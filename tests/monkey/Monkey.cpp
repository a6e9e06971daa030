#include "Monkey.h"

#include "MonkeyRig.h"
#include "MonkeyWidgets.h"

#include "app/TForm2.h"
#include "exercise/TRangeScreen.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>

namespace ryvo::monkey {

namespace {

constexpr int kTickMs = 10;

// Buttons of the main window that open the other windows (or start work in it).
constexpr std::array<const char*, 11> kOpeners = {
    "BeginShooting",       "PreShooting", "Archive",     "Groups",     "Relay",       "Targs",
    "BAdditionalSettings", "RangeScreen", "CheckDevice", "FindDevice", "SaveSettings"};

const QString kCyrillic =
    QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
const QString kLatin = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString kOther = QStringLiteral("0123456789 .,-_/\\:*?\"<>|;%+=#'");

} // namespace

Monkey::Monkey(std::uint32_t seed, std::chrono::seconds duration, Program program, ActionLog& log,
               Watchdog& watchdog)
    : m_rng(seed), m_deadline(std::chrono::steady_clock::now() + duration),
      m_program(std::move(program)), m_log(log), m_watchdog(watchdog) {}

Monkey::~Monkey() = default;

int Monkey::Below(int n) {
    return n <= 0 ? 0 : static_cast<int>(m_rng() % static_cast<std::uint32_t>(n));
}

void Monkey::Note(const QString& action) {
    if (trace) {
        std::printf("%s\n", action.toUtf8().constData());
    }
    m_log.Add(action.toStdString());
}

void Monkey::Run() {
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [this] { m_watchdog.Tick(); });
    heartbeat.start(20);
    StartProgram();
    QTimer::singleShot(kTickMs, this, &Monkey::Tick);
    QApplication::exec();
    m_watchdog.Pause(true);
}

void Monkey::StartProgram() {
    // Start-up blocks for the device check by design.
    m_watchdog.Pause(true);
    m_starting = true;
    m_session = m_program.start();
    m_starting = false;
    ++m_starts;
    m_watchdog.Pause(false);
    Note(QStringLiteral("start %1").arg(m_starts));
}

void Monkey::Tick() {
    if (m_done) {
        return;
    }
    // The next tick is armed first: a modal window this one opens is answered by it.
    QTimer::singleShot(kTickMs, this, &Monkey::Tick);
    if (m_starting) {
        // Start-up lets the event loop paint the frame before the device check.
        return;
    }
    ++m_depth;
    if (!m_ending && std::chrono::steady_clock::now() >= m_deadline) {
        m_ending = true;
        ReleaseHeldKeys(true);
        Note(QStringLiteral("time is up"));
    }
    if (m_ending) {
        EndProgram();
    } else {
        m_program.range->Step();
        ReleaseHeldKeys(false);
        if (!TypeNext()) {
            Act();
        }
    }
    --m_depth;
}

void Monkey::ReleaseHeldKeys(bool all) {
    for (HeldKey& held : m_heldKeys) {
        if (--held.ticks <= 0 || all) {
            // The program tracks keys from the application's events: a key let go over a
            // widget that is gone is let go over the frame.
            QWidget* target = held.widget;
            if (target == nullptr && m_session) {
                target = &m_session->app->Frame();
            }
            if (target != nullptr) {
                QTest::keyRelease(target, static_cast<Qt::Key>(held.key));
            }
            held.ticks = 0;
        }
    }
    std::erase_if(m_heldKeys, [](const HeldKey& held) { return held.ticks <= 0; });
}

// The program ends its own way: modal windows answered, then the frame closed.
void Monkey::EndProgram() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        ActOnModal(modal);
        return;
    }
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return;
    }
    if (m_session && m_session->app->Frame().isVisible()) {
        Note(QStringLiteral("close the frame"));
        m_session->app->Frame().close();
        return;
    }
    if (m_depth == 1) {
        m_done = true;
        m_session.reset();
        QApplication::exit(0);
    }
}

void Monkey::Act() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        m_windows.insert(WindowName(modal));
        ActOnModal(modal);
        return;
    }
    if (QWidget* popup = QApplication::activePopupWidget()) {
        if (Chance(30)) {
            Note(QStringLiteral("Escape on popup"));
            QTest::keyClick(popup, Qt::Key_Escape);
        } else {
            const QPoint at(Below(popup->width()), Below(popup->height()));
            Note(QStringLiteral("click popup at %1,%2").arg(at.x()).arg(at.y()));
            QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, at);
        }
        return;
    }
    TForm2& frame = m_session->app->Frame();
    if (!frame.isVisible()) {
        // The program ended (Exit or Escape on the main window): start it again, once no
        // handler of the old one is still on the stack.
        if (m_depth == 1) {
            Note(QStringLiteral("program ended"));
            ReleaseHeldKeys(true);
            m_typing = {};
            m_session.reset();
            StartProgram();
        }
        return;
    }
    TRangeScreen* screen = m_session->app->RangeScreen();
    if (screen != nullptr && screen->isVisible() && Chance(5)) {
        m_windows.insert(QStringLiteral("TRangeScreen"));
        ActOnPage(screen, QStringLiteral("TRangeScreen"));
        return;
    }
    Page* page = frame.ActivePage();
    if (page == nullptr) {
        return;
    }
    m_windows.insert(page->ClassName());
    ActOnPage(page, page->ClassName());
}

void Monkey::ActOnModal(QWidget* modal) {
    const QString window = WindowName(modal);
    if (Chance(80) || m_ending) {
        std::vector<QAbstractButton*> buttons;
        for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) {
            if (b->isVisible() && b->isEnabled()) {
                buttons.push_back(b);
            }
        }
        if (!buttons.empty() && !(m_ending && Chance(50))) {
            Click(buttons[static_cast<size_t>(Below(static_cast<int>(buttons.size())))], window);
            return;
        }
        if (m_ending) {
            Note(window + QStringLiteral(": Escape"));
            QTest::keyClick(modal, Qt::Key_Escape);
            return;
        }
    }
    ActOnPage(modal, window);
}

void Monkey::ActOnPage(QWidget* root, const QString& window) {
    const int roll = Below(100);
    if (roll < 50) {
        if (QWidget* w = PickWidget(root, !Chance(10))) {
            Click(w, window);
        }
    } else if (roll < 75) {
        PressKey(root, window);
    } else if (roll < 92) {
        TypeText(root, window);
    } else {
        OpenFromMain(root);
    }
}

QWidget* Monkey::PickWidget(QWidget* root, bool interactiveOnly) {
    std::vector<QWidget*> candidates;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || w->width() <= 0 || w->height() <= 0 ||
            InsideItemView(w, root)) {
            continue;
        }
        if (!interactiveOnly || Interactive(w)) {
            candidates.push_back(w);
        }
    }
    if (candidates.empty()) {
        return nullptr;
    }
    return candidates[static_cast<size_t>(Below(static_cast<int>(candidates.size())))];
}

void Monkey::Click(QWidget* w, const QString& window) {
    // Leaving the program is allowed, but seldom: it would cut every run short.
    if (window == QLatin1String("TMainForm2") && w->objectName() == QLatin1String("Exit") &&
        !Chance(3)) {
        return;
    }
    if (qobject_cast<QAbstractItemView*>(w) != nullptr) {
        ClickItem(w, window);
        return;
    }
    const bool button = qobject_cast<QAbstractButton*>(w) != nullptr;
    // A check box or radio button takes clicks on its box and text only, which a wide one
    // does not reach to its middle.
    const bool box =
        qobject_cast<QCheckBox*>(w) != nullptr || qobject_cast<QRadioButton*>(w) != nullptr;
    const QPoint at = box      ? QPoint(std::min(6, w->width() / 2), w->height() / 2)
                      : button ? w->rect().center()
                               : QPoint(Below(w->width()), Below(w->height()));
    const int how = Below(100);
    if (how < 5) {
        Note(window + QStringLiteral(": right-click ") + Describe(w));
        QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, at);
    } else if (how < 10) {
        Note(window + QStringLiteral(": double-click ") + Describe(w));
        QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, at);
    } else {
        Note(window + QStringLiteral(": click ") + Describe(w));
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
    }
}

void Monkey::ClickItem(QWidget* widget, const QString& window) {
    auto* view = qobject_cast<QAbstractItemView*>(widget);
    QAbstractItemModel* model = view->model();
    QWidget* viewport = view->viewport();
    QPoint at(Below(viewport->width()), Below(viewport->height()));
    QString what = QStringLiteral("empty place");
    if (model != nullptr && model->rowCount(view->rootIndex()) > 0 &&
        model->columnCount(view->rootIndex()) > 0) {
        const int row = Below(model->rowCount(view->rootIndex()));
        const int column = Below(model->columnCount(view->rootIndex()));
        const QRect rect = view->visualRect(model->index(row, column, view->rootIndex()));
        if (rect.isValid() && viewport->rect().contains(rect.center())) {
            at = rect.center();
            what = QStringLiteral("cell %1,%2").arg(row).arg(column);
        }
    }
    const bool twice = Chance(25);
    Note(window + (twice ? QStringLiteral(": double-click ") : QStringLiteral(": click ")) + what +
         QStringLiteral(" of ") + Describe(view));
    if (twice) {
        QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    } else {
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    }
}

void Monkey::PressKey(QWidget* root, const QString& window) {
    QWidget* focus = QApplication::focusWidget();
    QWidget* target = focus != nullptr && root->isAncestorOf(focus) ? focus : root;
    constexpr std::array<Qt::Key, 12> kKeys = {
        Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape, Qt::Key_Shift, Qt::Key_Up,    Qt::Key_Down,
        Qt::Key_Left,  Qt::Key_Right,  Qt::Key_F5,     Qt::Key_Tab,   Qt::Key_Enter, Qt::Key_0};
    Qt::Key key = kKeys[static_cast<size_t>(Below(static_cast<int>(kKeys.size())))];
    if (key == Qt::Key_0) {
        key = static_cast<Qt::Key>(Qt::Key_0 + Below(10));
    }
    if (key == Qt::Key_Escape && window == QLatin1String("TMainForm2") && !Chance(3)) {
        return;
    }
    // Keys the runs read as held (start, stop, cancel) stay down for some ticks: a press
    // and release within one dispatch would never be seen held.
    const bool held = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Escape ||
                      key == Qt::Key_Up || key == Qt::Key_Shift;
    if (held && Chance(60)) {
        const int ticks = 1 + (Chance(20) ? Below(150) : Below(15));
        Note(window +
             QStringLiteral(": hold %1 for %2 ticks on ")
                 .arg(QKeySequence(key).toString())
                 .arg(ticks) +
             Describe(target));
        m_heldKeys.push_back({target, key, ticks});
        QTest::keyPress(target, key);
        return;
    }
    Note(window + QStringLiteral(": key %1 on ").arg(QKeySequence(key).toString()) +
         Describe(target));
    QTest::keyClick(target, key);
}

void Monkey::TypeText(QWidget* root, const QString& window) {
    std::vector<QWidget*> edits;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (w->isVisible() && w->isEnabled() && Editable(w)) {
            edits.push_back(w);
        }
    }
    if (edits.empty()) {
        PressKey(root, window);
        return;
    }
    QWidget* edit = edits[static_cast<size_t>(Below(static_cast<int>(edits.size())))];
    QString text;
    const int length = Chance(4) ? 40 + Below(160) : Below(12);
    const int alphabet = Below(4);
    for (int i = 0; i < length; ++i) {
        const QString& from = alphabet == 0   ? kCyrillic
                              : alphabet == 1 ? kLatin
                              : alphabet == 2 ? kOther
                                              : (Chance(50) ? kCyrillic : kOther);
        text += from[Below(static_cast<int>(from.size()))];
    }
    const bool replace = Chance(40);
    Note(window + QStringLiteral(": type \"") + text + QStringLiteral("\"") +
         (replace ? QStringLiteral(" over the text of ") : QStringLiteral(" into ")) +
         Describe(edit));
    QPointer<QWidget> guard(edit);
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, edit->rect().center());
    if (guard && replace) {
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        if (guard) {
            QTest::keyClick(edit, Qt::Key_Backspace);
        }
    }
    // One character per tick, as typing lets the event loop turn between keys.
    m_typing = {guard, text, Chance(30)};
}

bool Monkey::TypeNext() {
    // A modal window or a popup that came up meanwhile takes the keys from the edit.
    QWidget* modal = QApplication::activeModalWidget();
    if (!m_typing.widget || !m_typing.widget->isVisible() ||
        QApplication::activePopupWidget() != nullptr ||
        (modal != nullptr && modal != m_typing.widget && !modal->isAncestorOf(m_typing.widget))) {
        m_typing = {};
        return false;
    }
    if (m_typing.rest.isEmpty()) {
        if (m_typing.enter) {
            QTest::keyClick(m_typing.widget, Qt::Key_Return);
        }
        m_typing = {};
        return true;
    }
    const QChar ch = m_typing.rest.front();
    m_typing.rest.remove(0, 1);
    SendChar(m_typing.widget, ch);
    ++m_typed;
    return true;
}

void Monkey::OpenFromMain(QWidget* root) {
    auto* page = qobject_cast<Page*>(root);
    if (page == nullptr || page->ClassName() != QLatin1String("TMainForm2")) {
        // Back towards the main window, as most windows leave on Escape; held a little, as
        // the runs read it.
        const int ticks = 1 + Below(10);
        Note(WindowName(root) + QStringLiteral(": hold Escape for %1 ticks to leave").arg(ticks));
        m_heldKeys.push_back({root, Qt::Key_Escape, ticks});
        QTest::keyPress(root, Qt::Key_Escape);
        return;
    }
    if (Chance(30)) {
        // Who shoots decides the exercise window: one of the four choices, then the start.
        constexpr std::array<const char*, 4> kShooters = {"Shooter1", "Shooter2", "Shooter3",
                                                          "OtherShooter"};
        auto* choice = root->findChild<QAbstractButton*>(QString::fromLatin1(
            kShooters[static_cast<size_t>(Below(static_cast<int>(kShooters.size())))]));
        if (choice != nullptr && choice->isVisible() && choice->isEnabled()) {
            Click(choice, page->ClassName());
        }
        if (m_session->app->Frame().ActivePage() != page) {
            return;
        }
    }
    const char* name =
        Chance(30) ? "BeginShooting"
                   : kOpeners[static_cast<size_t>(Below(static_cast<int>(kOpeners.size())))];
    auto* button = root->findChild<QAbstractButton*>(QString::fromLatin1(name));
    if (button != nullptr && button->isVisible() && button->isEnabled()) {
        Click(button, page->ClassName());
    }
}

} // namespace ryvo::monkey
