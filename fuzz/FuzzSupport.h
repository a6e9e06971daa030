#pragma once

// Shared by the fuzz targets: a scratch file per process and a check that stops the run
// with a message, so libFuzzer records the input as a finding.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace ryvo::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            ::ryvo::fuzz::Fail(#cond, __FILE__, __LINE__);                                         \
        }                                                                                          \
    } while (false)

// A directory of this process in shared memory when there is some (files are written for
// every input), else in the temporary directory.
inline const QString& ScratchDir() {
    static const QString dir = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        QString path =
            QStringLiteral("%1/ryvo-fuzz-%2").arg(base).arg(QCoreApplication::applicationPid());
        QDir().mkpath(path);
        return path;
    }();
    return dir;
}

inline QString ScratchPath(const char* name) {
    return ScratchDir() + QLatin1Char('/') + QLatin1String(name);
}

inline void PutFile(const QString& path, const std::uint8_t* data, std::size_t size) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const auto length = static_cast<qint64>(size);
    FUZZ_CHECK(size == 0 || file.write(reinterpret_cast<const char*>(data), length) == length);
}

inline QByteArray GetFile(const QString& path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Same value, NaN equal to NaN of the same sign.
inline bool SameFloat(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    }
    return a == b;
}

// b is a reading of a printed with `decimals` decimals: within half a unit of the last
// decimal plus the float's own rounding.
inline bool WithinPrinted(float a, float b, int decimals) {
    if (std::isnan(a) || std::isinf(a)) {
        return SameFloat(a, b);
    }
    const double step = 0.5 * std::pow(10.0, -decimals);
    const double ulp = std::fabs(static_cast<double>(std::nextafter(b, INFINITY)) - b);
    return std::fabs(static_cast<double>(a) - static_cast<double>(b)) <= step + ulp;
}

} // namespace ryvo::fuzz
