#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace ryvo {

// Shooter groups: one file "<name>.grp" in the start directory, one member per line.

QString GroupListPath(const QString& startDir, const QString& name);
// Names of the group files, without ".grp", in directory order.
std::vector<QString> ListGroups(const QString& startDir);
// Members split at CR, LF or CR LF; every line counts, an empty one too. nullopt when the
// file cannot be read.
std::optional<std::vector<QString>> ReadGroup(const QString& startDir, const QString& name);
std::vector<QString> ParseGroupMembers(const QByteArray& bytes);
QByteArray GroupImage(const std::vector<QString>& members);
// Whole-file writes go through a temporary file, so a failure keeps the old list. The name
// must already have passed GroupNameProblem.
bool WriteGroup(const QString& startDir, const QString& name, const std::vector<QString>& members);
bool CreateGroup(const QString& startDir, const QString& name);
bool DeleteGroup(const QString& startDir, const QString& name);

} // namespace ryvo
