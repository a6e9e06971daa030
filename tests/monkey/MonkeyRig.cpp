#include "MonkeyRig.h"

#include <QDir>
#include <QDirIterator>
#include <QStringList>
#include <QTimer>

#include <array>

namespace ryvo::monkey {

namespace {

// Names a user might type, Cyrillic and Latin, with blanks and dots.
constexpr std::array<const char*, 8> kFileNames = {"копия",  "Взвод 1", "export", "Иванов.И",
                                                   "zero 2", "итог",    "a",      "Смена-3"};

int Below(std::mt19937& rng, int n) {
    return static_cast<int>(rng() % static_cast<std::uint32_t>(n));
}

// "Description|*.ext|Other|*.x" -> {"ext", "x"}.
QStringList Extensions(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        QString pattern = parts[i];
        pattern.remove(QStringLiteral("*."));
        out << pattern;
    }
    if (out.isEmpty()) {
        out << QStringLiteral("txt");
    }
    return out;
}

} // namespace

MessageAnswer MonkeyDialogs::Message(const QString& text, const QString& caption, MessageIcon icon,
                                     MessageButtons buttons) {
    ++messages;
    return m_boxes.Message(text, caption, icon, buttons);
}

std::optional<QString> MonkeyDialogs::OpenFile(const QString& filter, const QString&) {
    return Choose(filter, false);
}

std::optional<QString> MonkeyDialogs::SaveFile(const QString& filter, const QString&) {
    return Choose(filter, true);
}

std::optional<QString> MonkeyDialogs::Choose(const QString& filter, bool forSaving) {
    ++fileDialogs;
    const int roll = Below(m_rng, 100);
    if (roll < 25) {
        return std::nullopt;
    }
    const QStringList extensions = Extensions(filter);
    const QString& extension = extensions[Below(m_rng, static_cast<int>(extensions.size()))];
    if (roll < 65) {
        // A file of the kind that is there already (to open, or to overwrite).
        QStringList existing;
        QDirIterator it(m_startDir, {QStringLiteral("*.") + extension}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            existing << it.next();
        }
        existing.sort();
        if (!existing.isEmpty()) {
            return existing[Below(m_rng, static_cast<int>(existing.size()))];
        }
    }
    // A new name; for opening, a file that is not there.
    QString name = QString::fromUtf8(
        kFileNames[static_cast<size_t>(Below(m_rng, static_cast<int>(kFileNames.size())))]);
    if (!forSaving) {
        name += QStringLiteral("-нет");
    }
    return QDir(m_startDir).filePath(name + QLatin1Char('.') + extension);
}

bool MonkeySound::PlayAsync(const QByteArray&) {
    EndPending();
    return Below(m_rng, 20) != 0;
}

bool MonkeySound::PlayToCompletion(const QByteArray&, Finished finished) {
    EndPending();
    if (Below(m_rng, 20) == 0) {
        return false;
    }
    m_pending = std::move(finished);
    const std::uint64_t generation = ++m_generation;
    const bool played = Below(m_rng, 30) != 0;
    QTimer::singleShot(10 + Below(m_rng, 400), [this, generation, played] {
        if (generation == m_generation && m_pending) {
            Finished done = std::move(m_pending);
            m_pending = nullptr;
            done(played);
        }
    });
    return true;
}

// A new sound cuts the one still playing short; its end is still told, from the event loop.
void MonkeySound::EndPending() {
    ++m_generation;
    if (m_pending) {
        QTimer::singleShot(0, [done = std::move(m_pending)] { done(true); });
        m_pending = nullptr;
    }
}

MonkeyRange::MonkeyRange(Clock& clock, std::uint32_t seed)
    : ports(model, &clock), m_clock(clock), m_rng(seed) {
    ports.systemPorts = {QStringLiteral("COM1"), QStringLiteral("/dev/ttyUSB0")};
    for (int lane = 0; lane < sim::kSimLanes; ++lane) {
        Aim(lane);
    }
}

void MonkeyRange::Aim(int lane) {
    const auto centre = [this] { return static_cast<std::int16_t>(Below(m_rng, 6001) - 3000); };
    sim::LaneModel& model = this->model.Lane(lane);
    model.aim = std::make_unique<sim::NoiseAim>(sim::Signal{centre(), centre()},
                                                5 + Below(m_rng, 400), m_rng());
    // Mostly a good level; now and then one too weak or too strong for the signal limits.
    const int roll = Below(m_rng, 10);
    model.level = static_cast<std::uint16_t>(roll == 0   ? Below(m_rng, 200)
                                             : roll == 1 ? 20000 + Below(m_rng, 45000)
                                                         : 1500 + Below(m_rng, 6000));
}

void MonkeyRange::Step() {
    // The model logs every byte; nobody reads the log here.
    model.Log().Clear();
    for (int lane = 0; lane < sim::kSimLanes; ++lane) {
        if (Below(m_rng, 40) == 0) {
            model.Lane(lane).triggers.Pull();
            ++triggers;
        }
        if (Below(m_rng, 300) == 0) {
            Aim(lane);
        }
    }
    const std::uint32_t now = m_clock.TickCount();
    bool changed = std::erase_if(m_faults, [now](const sim::Faults::Entry& e) {
                       return now >= e.untilMs;
                   }) > 0;
    if (Below(m_rng, 600) == 0) {
        constexpr std::array<sim::Fault, 6> kFaults = {
            sim::Fault::BadChecksum, sim::Fault::WrongLane, sim::Fault::ShortFrame,
            sim::Fault::Silence,     sim::Fault::Unplug,    sim::Fault::Garbage};
        sim::Faults::Entry entry;
        entry.fault = kFaults[static_cast<size_t>(Below(m_rng, static_cast<int>(kFaults.size())))];
        entry.lane = Below(m_rng, sim::kSimLanes + 1) - 1;
        entry.fromMs = now;
        entry.untilMs = now + 200 + static_cast<std::uint32_t>(Below(m_rng, 3000));
        m_faults.push_back(entry);
        ++faults;
        changed = true;
    }
    if (changed) {
        model.GetFaults().Clear();
        for (const sim::Faults::Entry& entry : m_faults) {
            model.GetFaults().Add(entry);
        }
    }
}

} // namespace ryvo::monkey
