// The settings reader on arbitrary files, and its round trip through the writer: what the
// reader took from any file is written out and read back unchanged.

#include "FuzzSupport.h"

#include "core/SettingsFile.h"
#include "platform/TextFile.h"

using namespace ryvo;
using ryvo::fuzz::ScratchPath;

namespace {

Settings Read(const Settings& start, const QString& path) {
    Settings s = start;
    ReadSettings(s, path);
    return s;
}

// Other values in every field the file holds, so a field it does not set shows up.
Settings Others(const Settings& base) {
    Settings s = base;
    s.Font = QStringLiteral("x");
    s.FontSize = 77;
    s.Target.fill(7);
    s.SerialPort = QStringLiteral("COM9");
    s.RepeatEnabled = 1;
    s.RepeatTime = 3;
    s.SmartTarget = 1;
    s.Sound2 = 5;
    s.WeaponType = 1;
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString input = ScratchPath("input.cfg");
    static const QString output = ScratchPath("ryvw.cfg");
    ryvo::fuzz::PutFile(input, data, size);

    Settings defaults;
    ApplyBuiltInDefaults(defaults);
    const Settings first = Read(defaults, input);

    FUZZ_CHECK(first.SmartTarget <= 1 && first.TargetsChange <= 1 && first.WeaponType <= 1);
    FUZZ_CHECK(first.RepeatEnabled <= 1);
    FUZZ_CHECK(first.RepeatEnabled == 0 || first.RepeatTime >= 0);
    FUZZ_CHECK(ToCp1251(first.SerialPort).size() <= 53);
    FUZZ_CHECK(!first.Font.contains(QLatin1Char('\n')) && ToCp1251(first.Font).size() <= 249);
    // The spare target slots and the calibration file's fields are not read from here.
    for (int slot = kLaneCount; slot < kLaneSlots; ++slot) {
        FUZZ_CHECK(first.Target[slot] == defaults.Target[slot]);
    }
    FUZZ_CHECK(first.TimeGun == defaults.TimeGun && first.TimeShoot == defaults.TimeShoot);
    FUZZ_CHECK(first.TimePost == defaults.TimePost && first.TimeTrace == defaults.TimeTrace);
    FUZZ_CHECK(first.CentX == defaults.CentX && first.ScaleD == defaults.ScaleD);

    FUZZ_CHECK(WriteSettings(first, output));
    const QByteArray image = ryvo::fuzz::GetFile(output);
    FUZZ_CHECK(image == SettingsFileImage(first));

    // Everything comes back, except that "no repetition" is written as -1, which reads as
    // a repetition time of 10.
    Settings expected = first;
    if (first.RepeatEnabled == 0) {
        expected.RepeatTime = 10;
    }
    FUZZ_CHECK(Read(defaults, output) == expected);

    // Read over other values, the written file sets every field it holds.
    Settings overOthers = Read(Others(defaults), output);
    for (int slot = kLaneCount; slot < kLaneSlots; ++slot) {
        overOthers.Target[slot] = expected.Target[slot];
    }
    FUZZ_CHECK(overOthers == expected);

    // Writing what was read back gives the same file.
    FUZZ_CHECK(SettingsFileImage(expected) == image);
    return 0;
}
