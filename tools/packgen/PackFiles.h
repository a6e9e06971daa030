#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <numbers>

namespace ryvo::packgen {

inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Writes a file of a pack whole or not at all; a message on stderr when it fails.
bool WriteFile(const QString& path, const QByteArray& bytes);
// A pack's strings.txt, one line each.
bool WriteStrings(const QString& folder, const QStringList& lines);

} // namespace ryvo::packgen
