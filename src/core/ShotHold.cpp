#include "core/ShotHold.h"

#include "core/RunState.h"

#include <QJsonArray>
#include <QStringList>

#include <algorithm>
#include <array>
#include <numbers>

namespace ryvo {

void KeepHoldMembers(QJsonObject& beside, int shot, const ShotHold& h) {
    if (!h.valid) {
        return;
    }
    const auto put = [&](const char* key, double v, int decimals) {
        if (HasFigure(v)) {
            const double scale = std::pow(10.0, decimals);
            SetShotMember(beside, shot, QLatin1String(key), std::round(v * scale) / scale);
        }
    };
    put("hold", h.hold, 2);
    put("len1", h.len1, 2);
    put("len1mm", h.len1mm, 1);
    put("in10", h.in10, 3);
    put("steady", h.steady, 3);
    put("move02", h.move02, 2);
    put("jerk", h.jerk, 2);
    put("mmUnit", h.mmPerUnit, 4);
    if (h.jerkDirection >= 0) {
        SetShotMember(beside, shot, QStringLiteral("jerkDir"), JerkDirectionWords(h.jerkDirection));
    }
}

ShotHold HoldFromMembers(const QJsonObject& shot) {
    ShotHold h;
    const QJsonValue hold = shot.value(QLatin1String("hold"));
    if (!hold.isDouble()) {
        return h;
    }
    const auto get = [&](const char* key) {
        const QJsonValue v = shot.value(QLatin1String(key));
        return v.isDouble() && std::isfinite(v.toDouble()) ? v.toDouble() : ShotHold::kNone;
    };
    h.valid = true;
    h.hold = hold.toDouble();
    h.len1 = get("len1");
    h.len1mm = get("len1mm");
    h.in10 = get("in10");
    h.steady = get("steady");
    h.move02 = get("move02");
    h.jerk = get("jerk");
    h.mmPerUnit = get("mmUnit");
    const QString words = shot.value(QLatin1String("jerkDir")).toString();
    for (int d = 0; d < 8; ++d) {
        if (JerkDirectionWords(d) == words) {
            h.jerkDirection = d;
        }
    }
    return h;
}

std::vector<ShotHold> HoldsOfRecord(const QJsonObject& beside) {
    std::vector<ShotHold> holds;
    const QJsonArray shots = beside.value(QLatin1String("shots")).toArray();
    holds.reserve(static_cast<size_t>(shots.size()));
    for (const auto& shot : shots) {
        holds.push_back(HoldFromMembers(shot.toObject()));
    }
    return holds;
}

double HoldLength(const ShotHold& hold, double units) {
    return HasFigure(hold.mmPerUnit) ? units * hold.mmPerUnit : units;
}

HoldMeans MeanHolds(const std::vector<ShotHold>& holds) {
    HoldMeans m;
    const auto first =
        std::find_if(holds.begin(), holds.end(), [](const ShotHold& h) { return h.valid; });
    m.mm = first != holds.end() && HasFigure(first->mmPerUnit);
    struct Mean {
        double sum = 0.0;
        int n = 0;
        void Add(double v) {
            if (HasFigure(v)) {
                sum += v;
                ++n;
            }
        }
        [[nodiscard]] double Value() const { return n > 0 ? sum / n : ShotHold::kNone; }
    };
    Mean hold;
    Mean len1;
    Mean in10;
    Mean steady;
    Mean move02;
    Mean jerk;
    for (const ShotHold& h : holds) {
        if (!h.valid) {
            continue;
        }
        ++m.shots;
        const double scale = m.mm ? HoldLength(h, 1.0) : 1.0;
        hold.Add(h.hold);
        len1.Add(h.len1 * scale);
        in10.Add(h.in10);
        steady.Add(h.steady);
        move02.Add(h.move02 * scale);
        jerk.Add(h.jerk * scale);
    }
    m.hold = hold.Value();
    m.len1 = len1.Value();
    m.in10 = in10.Value();
    m.steady = steady.Value();
    m.move02 = move02.Value();
    m.jerk = jerk.Value();
    return m;
}

RecordHoldMeans MeansOfRecord(const std::vector<ShotHold>& holds) {
    std::vector<ShotHold> inUnits = holds;
    for (ShotHold& h : inUnits) {
        h.mmPerUnit = ShotHold::kNone;
    }
    RecordHoldMeans means{MeanHolds(inUnits)};
    double mm = 0.0;
    int mmShots = 0;
    for (const ShotHold& h : holds) {
        if (h.valid && HasFigure(h.len1mm)) {
            mm += h.len1mm;
            ++mmShots;
        }
    }
    if (mmShots > 0) {
        means.len1mm = mm / mmShots;
    }
    return means;
}

int JerkDirection(double dx, double dy) {
    if (std::hypot(dx, dy) < 0.05 || std::isnan(dx) || std::isnan(dy)) {
        return -1;
    }
    // Target y grows downwards; sector 0 is to the right, counted anticlockwise.
    const double turns = std::atan2(-dy, dx) / (2.0 * std::numbers::pi);
    const auto sector = static_cast<int>(std::lround(turns * 8.0));
    return (sector % 8 + 8) % 8;
}

QString JerkDirectionWords(int direction) {
    static const std::array<const char*, 8> kWords = {"вправо",      "вверх-вправо", "вверх",
                                                      "вверх-влево", "влево",        "вниз-влево",
                                                      "вниз",        "вниз-вправо"};
    if (direction < 0 || direction >= 8) {
        return {};
    }
    return QString::fromUtf8(kWords[static_cast<size_t>(direction)]);
}

QStringList HoldFigureLines(const HoldMeans& m) {
    QStringList lines;
    if (m.shots == 0) {
        return lines;
    }
    const QString unit = m.mm ? QStringLiteral("мм") : QStringLiteral("ед.");
    const auto number = [](double v, int decimals) {
        return HasFigure(v) ? QString::number(v, 'f', decimals) : QStringLiteral("—");
    };
    const auto percent = [](double v) {
        return HasFigure(v) ? QString::number(std::lround(v * 100.0)) + QStringLiteral(" %")
                            : QStringLiteral("—");
    };
    // One line: the column beside the target keeps its rows for the table; what does not
    // fit ends in an ellipsis and the label's tool tip has it all.
    lines << QStringLiteral("Удерж. %1 с, след 1 с %2 %3, в 10 %4, устойч. %5, 0,2 с %6 %3, "
                            "срыв %7 %3")
                 .arg(number(m.hold, 1), number(m.len1, 1), unit, percent(m.in10),
                      percent(m.steady), number(m.move02, 1), number(m.jerk, 1));
    return lines;
}

QStringList ShotHoldLines(const ShotHold& h) {
    QStringList lines;
    if (!h.valid) {
        return lines;
    }
    const QString unit = HasFigure(h.mmPerUnit) ? QStringLiteral("мм") : QStringLiteral("ед.");
    const auto length = [&](double units) {
        return HasFigure(units) ? QString::number(HoldLength(h, units), 'f', 1) + QChar(u' ') + unit
                                : QStringLiteral("—");
    };
    const auto percent = [](double v) {
        return HasFigure(v) ? QString::number(std::lround(v * 100.0)) + QStringLiteral(" %")
                            : QStringLiteral("—");
    };
    lines << QStringLiteral("Удержание: %1 с").arg(QString::number(h.hold, 'f', 1))
          << QStringLiteral("След за 1 с: %1").arg(length(h.len1))
          << QStringLiteral("В 10: %1").arg(percent(h.in10))
          << QStringLiteral("Устойчивость: %1").arg(percent(h.steady))
          << QStringLiteral("За 0,2 с: %1").arg(length(h.move02));
    QString jerk = QStringLiteral("Срыв: %1").arg(length(h.jerk));
    if (h.jerkDirection >= 0) {
        jerk += QChar(u' ') + JerkDirectionWords(h.jerkDirection);
    }
    lines << jerk;
    return lines;
}

} // namespace ryvo
