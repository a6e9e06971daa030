#pragma once

#include "core/Settings.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace ryvo {

inline constexpr const char* kSettingsFileName = "ryvw.cfg";
inline constexpr const char* kRemarksFileName = "ryvw.cmt";
inline constexpr int kSettingsEntryCount = 19;

// The program's string table for the settings file: comment of entry i is id 101 + 2i,
// key is id 102 + 2i. Empty for ids it does not hold.
QString SettingsString(int id);

// Reads the settings file over the values already in settings; a missing file changes
// nothing. Unknown words, comments and values that do not convert are skipped.
void ReadSettings(Settings& settings, const QString& path);

// The complete file image, cp1251 with CR LF line ends.
QByteArray SettingsFileImage(const Settings& settings);

// Replaces the file atomically; false (and the old file untouched) when it cannot.
bool WriteSettings(const Settings& settings, const QString& path);

// Non-empty lines of the remarks file, at most 50, each at most 199 characters
// (longer lines come in pieces).
std::vector<QString> ReadRemarks(const QString& path);

} // namespace ryvo
