#include "core/SettingsFile.h"

#include "core/ProgramState.h"
#include "platform/TextFile.h"

#include <array>

namespace ryvo {

namespace {

struct Entry {
    const char* comment;
    const char* key;
};

// Comment and key texts of the 19 entries, in file order.
constexpr std::array<Entry, kSettingsEntryCount> kEntries = {{
    {"Шрифт", "Font"},
    {"Размер шрифта", "FontSize"},
    {"Тип мишени", "Target"},
    {"Время на выстрел", "Time"},
    {"Число выстрелов", "ShootsNumber"},
    {"Номер стрелка", "Shooter"},
    {"Адрес последовательного порта (hex)", "SerialPort"},
    {"Наличие следа прицела", "EnableTrace"},
    {"Прием через последовательный порт", "IO_Serial"},
    {"Повтор серии", "RepeatTime"},
    {"Интервал обновления", "NumReps"},
    {"Показывать срыв курка", "FlagPostGunEnable"},
    {"Показывать прицел", "FlagGunEnable"},
    {"Умная мишень", "SmartTarget"},
    {"Звук начала стрельбы", "Sound1"},
    {"Звук выстрела", "Sound2"},
    {"Звук конца стрельбы", "Sound3"},
    {"Перенос огня", "TargetsChange"},
    {"Тип оружия", "WeaponType"},
}};

enum KeyIndex {
    kFont,
    kFontSize,
    kTarget,
    kTime,
    kShootsNumber,
    kShooter,
    kSerialPort,
    kEnableTrace,
    kIoSerial,
    kRepeatTime,
    kNumReps,
    kFlagPostGunEnable,
    kFlagGunEnable,
    kSmartTarget,
    kSound1,
    kSound2,
    kSound3,
    kTargetsChange,
    kWeaponType,
};

constexpr qsizetype kMaxWord = 255;
constexpr qsizetype kRestOfLine = 249;
constexpr qsizetype kMaxSerialPort = 53;
constexpr qsizetype kRemarkPiece = 199;

void ReadUnsignedInto(TextReader& in, std::uint32_t& field) {
    if (auto value = in.ReadUnsigned()) {
        field = *value;
    }
}

void ReadFlagInto(TextReader& in, std::uint32_t& field) {
    if (auto value = in.ReadUnsigned()) {
        field = *value != 0 ? 1 : 0;
    }
}

QByteArray WithoutNewline(QByteArray line) {
    if (line.endsWith('\n')) {
        line.chop(1);
    }
    return line;
}

bool RestOfLineIsBlank(const TextReader& in) {
    TextReader probe = in;
    const auto rest = probe.ReadLine(kRestOfLine);
    return !rest || rest->trimmed().isEmpty();
}

void ReadValue(TextReader& in, int key, Settings& s, bool lineEnded) {
    switch (key) {
    case kFont:
        if (auto line = in.ReadLine(kRestOfLine)) {
            s.Font = FromCp1251(WithoutNewline(*line));
        } else {
            s.Font.clear();
        }
        break;
    case kFontSize:
        ReadUnsignedInto(in, s.FontSize);
        break;
    case kTarget:
        for (int lane = 0; lane < kLaneCount; ++lane) {
            auto value = in.ReadDecimal();
            if (!value) {
                break; // scanf stops at the first failed conversion
            }
            s.Target[static_cast<size_t>(lane)] = *value;
        }
        break;
    case kTime:
        ReadUnsignedInto(in, s.Time);
        break;
    case kShootsNumber:
        ReadUnsignedInto(in, s.ShootsNumber);
        break;
    case kShooter:
        ReadUnsignedInto(in, s.Shooter);
        break;
    case kSerialPort:
        // A line with nothing after the key holds an empty name: the next line's first word
        // is not the port (the writer puts " = " and a line end for an empty name).
        if (lineEnded || RestOfLineIsBlank(in)) {
            s.SerialPort.clear();
        } else if (auto word = in.ReadWord(kMaxWord)) {
            s.SerialPort = FromCp1251(word->left(kMaxSerialPort));
        }
        break;
    case kEnableTrace:
        ReadUnsignedInto(in, s.EnableTrace);
        break;
    case kIoSerial:
        ReadUnsignedInto(in, s.IO_Serial);
        break;
    case kRepeatTime:
        if (auto value = in.ReadInt()) {
            if (*value < 0) {
                s.RepeatEnabled = 0;
                s.RepeatTime = 10;
            } else {
                s.RepeatEnabled = 1;
                s.RepeatTime = *value;
            }
        }
        break;
    case kNumReps:
        ReadUnsignedInto(in, s.NumReps);
        break;
    case kFlagPostGunEnable:
        ReadUnsignedInto(in, s.FlagPostGunEnable);
        break;
    case kFlagGunEnable:
        ReadUnsignedInto(in, s.FlagGunEnable);
        break;
    case kSmartTarget:
        ReadFlagInto(in, s.SmartTarget);
        break;
    case kSound1:
        ReadUnsignedInto(in, s.Sound1);
        break;
    case kSound2:
        ReadUnsignedInto(in, s.Sound2);
        break;
    case kSound3:
        ReadUnsignedInto(in, s.Sound3);
        break;
    case kTargetsChange:
        ReadFlagInto(in, s.TargetsChange);
        break;
    case kWeaponType:
        ReadFlagInto(in, s.WeaponType);
        break;
    default:
        break;
    }
}

} // namespace

QString SettingsString(int id) {
    const int offset = id - 101;
    if (offset < 0 || offset >= 2 * kSettingsEntryCount) {
        return {};
    }
    const Entry& entry = kEntries[static_cast<size_t>(offset / 2)];
    return QString::fromUtf8(offset % 2 == 0 ? entry.comment : entry.key);
}

void ReadSettings(Settings& settings, const QString& path) {
    auto reader = TextReader::Open(path);
    if (!reader) {
        return;
    }
    TextReader& in = *reader;
    while (auto word = in.ReadWord(kMaxWord)) {
        if (*word == ";") {
            in.ReadLine(kRestOfLine);
            continue;
        }
        for (int key = 0; key < kSettingsEntryCount; ++key) {
            if (*word == kEntries[static_cast<size_t>(key)].key) {
                // The " = " after the key, or less before a line end.
                const auto gap = in.ReadLine(3);
                ReadValue(in, key, settings, !gap || gap->endsWith('\n'));
                break;
            }
        }
    }
}

QByteArray SettingsFileImage(const Settings& s) {
    TextWriter out;
    for (int i = 0; i < kSettingsEntryCount; ++i) {
        out.PutBytes("; ").Put(SettingsString(101 + 2 * i)).PutBytes("\n");
        out.Put(SettingsString(102 + 2 * i)).PutBytes(" = ");
        switch (i) {
        case kFont:
            out.Put(s.Font);
            break;
        case kFontSize:
            out.Printf("%u", s.FontSize);
            break;
        case kTarget:
            for (int lane = 0; lane < kLaneCount; ++lane) {
                out.Printf(" %d", s.Target[static_cast<size_t>(lane)]);
            }
            break;
        case kTime:
            out.Printf("%u", s.Time);
            break;
        case kShootsNumber:
            out.Printf("%u", s.ShootsNumber);
            break;
        case kShooter:
            out.Printf("%u", s.Shooter);
            break;
        case kSerialPort:
            out.Put(s.SerialPort);
            break;
        case kEnableTrace:
            out.Printf("%u", s.EnableTrace);
            break;
        case kIoSerial:
            out.Printf("%u", s.IO_Serial);
            break;
        case kRepeatTime:
            if (s.RepeatEnabled == 1) {
                out.Printf("%u", static_cast<std::uint32_t>(s.RepeatTime));
            } else {
                out.PutBytes("-1");
            }
            break;
        case kNumReps:
            out.Printf("%u", s.NumReps);
            break;
        case kFlagPostGunEnable:
            out.Printf("%u", s.FlagPostGunEnable);
            break;
        case kFlagGunEnable:
            out.Printf("%u", s.FlagGunEnable);
            break;
        case kSmartTarget:
            out.Printf("%u", s.SmartTarget != 0 ? 1U : 0U);
            break;
        case kSound1:
            out.Printf("%u", s.Sound1);
            break;
        case kSound2:
            out.Printf("%u", s.Sound2);
            break;
        case kSound3:
            out.Printf("%u", s.Sound3);
            break;
        case kTargetsChange:
            out.PutBytes(s.TargetsChange != 0 ? "1" : "0");
            break;
        case kWeaponType:
            out.PutBytes(s.WeaponType != 0 ? "1" : "0");
            break;
        default:
            break;
        }
        out.PutBytes("\n");
    }
    return out.Bytes();
}

bool WriteSettings(const Settings& settings, const QString& path) {
    return WriteFileAtomic(path, SettingsFileImage(settings));
}

std::vector<QString> ReadRemarks(const QString& path) {
    std::vector<QString> remarks;
    auto reader = TextReader::Open(path);
    if (!reader) {
        return remarks;
    }
    while (auto piece = reader->ReadLine(kRemarkPiece)) {
        const QByteArray text = WithoutNewline(*piece);
        if (text.isEmpty()) {
            continue;
        }
        if (static_cast<int>(remarks.size()) < kMaxRemarks) {
            remarks.push_back(FromCp1251(text));
        }
    }
    return remarks;
}

} // namespace ryvo
