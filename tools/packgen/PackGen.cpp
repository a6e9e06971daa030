#include "PackGen.h"

#include "PackFiles.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ryvo::packgen {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "packgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool WriteStrings(const QString& folder, const QStringList& lines) {
    return WriteFile(QDir(folder).filePath(QStringLiteral("strings.txt")),
                     lines.join(u'\n').append(u'\n').toUtf8());
}

namespace {

// ---- Targets ------------------------------------------------------------------------------

struct LibraryTarget {
    QString name;
    float edgeX; // zeroing points as a fraction of the half-width
    float edgeY;
    void (*paint)(QPainter&, double size);
    // The score map: grey value = score, painted without antialiasing.
    void (*paintZones)(QPainter&, double size);
};

// Target units (-100..100) to picture pixels.
QPointF At(double size, double x, double y) {
    const double k = size / 200.0;
    return {size / 2.0 + x * k, size / 2.0 + y * k};
}

QColor Zone(int score) {
    return {score, score, score};
}

// Fills `path` with the grey of `score`.
void FillZone(QPainter& p, const QPainterPath& path, int score) {
    p.setPen(Qt::NoPen);
    p.setBrush(Zone(score));
    p.drawPath(path);
}

QPainterPath Ellipse(double size, double x, double y, double rx, double ry) {
    const double k = size / 200.0;
    QPainterPath path;
    path.addEllipse(At(size, x, y), rx * k, ry * k);
    return path;
}

// A polyline of the given width in target units, as the area its round-capped pen covers.
QPainterPath Stroke(double size, std::initializer_list<QPointF> points, double width) {
    QPainterPath line;
    bool first = true;
    for (const QPointF& point : points) {
        first ? line.moveTo(point) : line.lineTo(point);
        first = false;
    }
    QPainterPathStroker stroker;
    stroker.setWidth(width * size / 200.0);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line);
}

// Small crosses where the zeroing window asks the shooter to aim.
void PaintZeroingMarks(QPainter& p, double size, float edgeX, float edgeY, const QColor& colour) {
    p.save();
    p.setPen(QPen(colour, size / 256.0));
    const double arm = size / 64.0;
    const QPointF points[] = {At(size, 0, 0), At(size, -100.0 * edgeX, 0),
                              At(size, 100.0 * edgeX, 0), At(size, 0, -100.0 * edgeY),
                              At(size, 0, 100.0 * edgeY)};
    for (const QPointF& c : points) {
        p.drawLine(c - QPointF(arm, 0), c + QPointF(arm, 0));
        p.drawLine(c - QPointF(0, arm), c + QPointF(0, arm));
    }
    p.restore();
}

// ---- Police: head and shoulders to the bottom edge ----

QPainterPath PoliceHead(double size) {
    return Ellipse(size, 0, -62, 21, 26);
}

QPainterPath PoliceFigure(double size) {
    QPainterPath body;
    body.moveTo(At(size, -14, -40));
    body.lineTo(At(size, 14, -40));
    body.cubicTo(At(size, 16, -26), At(size, 55, -30), At(size, 68, -10));
    body.lineTo(At(size, 78, 100));
    body.lineTo(At(size, -78, 100));
    body.lineTo(At(size, -68, -10));
    body.cubicTo(At(size, -55, -30), At(size, -16, -26), At(size, -14, -40));
    body.closeSubpath();
    return PoliceHead(size).united(body);
}

// Centre of mass rings: radii r across, 1.25 r high.
QPainterPath PoliceBodyRing(double size, double r) {
    return Ellipse(size, 0, 12, r * 0.8, r);
}

void PaintPolice(QPainter& p, double size) {
    const double k = size / 200.0;
    p.fillRect(QRectF(0, 0, size, size), QColor(236, 232, 220));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 34));
    p.drawPath(PoliceFigure(size));
    // Scoring zones as light outlines on the figure.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(200, 200, 200), 0.8 * k));
    p.drawPath(Ellipse(size, 0, -62, 10, 13));
    for (double r : {14.0, 28.0, 42.0}) {
        p.drawPath(PoliceBodyRing(size, r));
    }
}

void PaintPoliceZones(QPainter& p, double size) {
    FillZone(p, PoliceFigure(size), 5);
    FillZone(p, PoliceHead(size), 7);
    FillZone(p, Ellipse(size, 0, -62, 10, 13), 10);
    FillZone(p, PoliceBodyRing(size, 42), 8);
    FillZone(p, PoliceBodyRing(size, 28), 9);
    FillZone(p, PoliceBodyRing(size, 14), 10);
}

// ---- Running figure ----

QPainterPath RunnerHead(double size) {
    return Ellipse(size, 14, -66, 11, 11);
}
QPainterPath RunnerTorso(double size) {
    return Stroke(size, {At(size, 10, -50), At(size, 0, -10), At(size, -6, 10)}, 24);
}
QPainterPath RunnerLimbs(double size) {
    // Front arm, back arm, front leg, back leg.
    return Stroke(size, {At(size, 4, -42), At(size, 30, -26), At(size, 50, -40)}, 9)
        .united(Stroke(size, {At(size, 4, -42), At(size, -22, -30), At(size, -34, -6)}, 9))
        .united(Stroke(size, {At(size, -4, 10), At(size, 26, 34), At(size, 22, 72)}, 12))
        .united(Stroke(size, {At(size, -4, 10), At(size, -26, 44), At(size, -58, 56)}, 12));
}
QPainterPath RunnerVital(double size) {
    return Ellipse(size, 0, -20, 14, 18);
}

void PaintRunning(QPainter& p, double size) {
    const double k = size / 200.0;
    p.fillRect(QRectF(0, 0, size, size), QColor(214, 228, 200));
    p.setPen(QPen(QColor(90, 110, 80), 0.6 * k));
    p.drawLine(At(size, -100, 90), At(size, 100, 90)); // ground
    const QColor figure(120, 60, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(figure);
    p.drawPath(RunnerHead(size));
    p.drawPath(RunnerTorso(size));
    p.drawPath(RunnerLimbs(size));
    p.setPen(QPen(QColor(250, 250, 240), 0.8 * k));
    p.setBrush(Qt::NoBrush);
    p.drawPath(RunnerVital(size));
}

void PaintRunningZones(QPainter& p, double size) {
    FillZone(p, RunnerLimbs(size), 5);
    FillZone(p, RunnerTorso(size), 7);
    FillZone(p, RunnerHead(size), 9);
    // The vital zone only where it lies on the torso.
    FillZone(p, RunnerVital(size).intersected(RunnerTorso(size)), 10);
}

// ---- Rifle target: ten rings, 9 units apart; rings 7 to 10 form the black aiming mark ----

double RifleRingRadius(int ring) {
    return (11 - ring) * 9.0;
}

void PaintRifle(QPainter& p, double size) {
    const double k = size / 200.0;
    p.fillRect(QRectF(0, 0, size, size), QColor(250, 248, 240));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(static_cast<int>(6 * k));
    p.setFont(font);
    for (int ring = 1; ring <= 10; ++ring) {
        const double r = RifleRingRadius(ring);
        const bool inBlack = ring >= 7;
        p.setBrush(ring == 7 ? QColor(20, 20, 20)
                             : (ring < 7 ? QColor(250, 248, 240) : Qt::NoBrush));
        p.setPen(QPen(inBlack ? QColor(240, 240, 240) : QColor(20, 20, 20), 0.6 * k));
        p.drawEllipse(At(size, 0, 0), r * k, r * k);
        if (ring < 10) {
            p.setPen(inBlack ? QColor(240, 240, 240) : QColor(20, 20, 20));
            const QRectF box(At(size, -r + 0.5, -4), QSizeF(8 * k, 8 * k));
            p.drawText(box, Qt::AlignCenter, QString::number(ring));
        }
    }
    p.setBrush(QColor(240, 240, 240));
    p.setPen(Qt::NoPen);
    p.drawEllipse(At(size, 0, 0), 1.5 * k, 1.5 * k); // inner ten
}

void PaintRifleZones(QPainter& p, double size) {
    for (int ring = 1; ring <= 10; ++ring) {
        const double r = RifleRingRadius(ring);
        FillZone(p, Ellipse(size, 0, 0, r, r), ring);
    }
}

const LibraryTarget kTargets[] = {
    {QStringLiteral("Мишень полицейская"), 0.6F, 0.8F, PaintPolice, PaintPoliceZones},
    {QStringLiteral("Мишень бегущая"), 0.7F, 0.7F, PaintRunning, PaintRunningZones},
    {QStringLiteral("Мишень винтовочная"), 0.9F, 0.9F, PaintRifle, PaintRifleZones},
};

} // namespace

namespace {

QImage ZoneMap(const LibraryTarget& target) {
    QImage map(kPictureSize, kPictureSize, QImage::Format_RGB32);
    map.fill(Zone(0));
    {
        QPainter painter(&map);
        target.paintZones(painter, kPictureSize);
    }
    return map.convertToFormat(QImage::Format_Grayscale8);
}

} // namespace

bool WriteTargetPack(const QString& dataDir) {
    const QString folder = QDir(dataDir).filePath(QStringLiteral("Targets"));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "packgen: cannot create %s\n", qPrintable(folder));
        return false;
    }
    QStringList strings;
    strings << QStringLiteral("1\t%1").arg(std::size(kTargets));
    bool ok = true;
    int index = 1;
    for (const LibraryTarget& target : kTargets) {
        QImage picture(kPictureSize, kPictureSize, QImage::Format_RGB32);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            target.paint(painter, kPictureSize);
            PaintZeroingMarks(painter, kPictureSize, target.edgeX, target.edgeY,
                              QColor(220, 30, 30));
        }
        const QString file = QDir(folder).filePath(QStringLiteral("%1.png").arg(1000 + index));
        if (!picture.save(file, "PNG")) {
            std::fprintf(stderr, "packgen: cannot write %s\n", qPrintable(file));
            ok = false;
        }
        const QString zonesFile =
            QDir(folder).filePath(QStringLiteral("%1.zones.png").arg(1000 + index));
        if (!ZoneMap(target).save(zonesFile, "PNG")) {
            std::fprintf(stderr, "packgen: cannot write %s\n", qPrintable(zonesFile));
            ok = false;
        }
        strings << QStringLiteral("%1\t%2").arg(100 + index).arg(target.name);
        // Zeroing parameters, read as "%f%f%i%i"; the two integers are not used.
        strings << QStringLiteral("%1\t").arg(200 + index) +
                       QString::asprintf("%f %f %i %i", static_cast<double>(target.edgeX),
                                         static_cast<double>(target.edgeY), 0, 0);
        ++index;
    }
    std::sort(strings.begin(), strings.end(), [](const QString& a, const QString& b) {
        return a.section(u'\t', 0, 0).toInt() < b.section(u'\t', 0, 0).toInt();
    });
    return WriteStrings(folder, strings) && ok;
}

} // namespace ryvo::packgen
