// The calibration reader on arbitrary files, and its round trip through the writer. The
// writer keeps six decimals, so read-write-read gives each value to within that rounding,
// and a second round gives exactly the same values. The two times the reader clamps come
// back clamped, the others unchanged.

#include "FuzzSupport.h"

#include "calibration/Calibration.h"

#include <algorithm>
#include <array>

using namespace ryvo;
using ryvo::fuzz::SameFloat;
using ryvo::fuzz::WithinPrinted;

namespace {

using Table = std::array<float, kLaneSlots> Settings::*;
constexpr std::array<Table, 6> kTables = {&Settings::CentX,  &Settings::CentY,  &Settings::ScaleL,
                                          &Settings::ScaleR, &Settings::ScaleU, &Settings::ScaleD};

Settings Read(const Settings& start, const QString& path, bool startup) {
    Settings s = start;
    FUZZ_CHECK(ReadCalibration(s, path, startup));
    return s;
}

template <typename Same> void CheckFloats(const Settings& a, const Settings& b, Same same) {
    for (const Table table : kTables) {
        for (int slot = 0; slot < kLaneSlots; ++slot) {
            FUZZ_CHECK(same((a.*table)[slot], (b.*table)[slot]));
        }
    }
}

void CheckTimes(const Settings& s) {
    FUZZ_CHECK(s.TimeGun >= kTimeGunMin && s.TimeGun <= kTimeGunMax);
    FUZZ_CHECK(s.TimePost >= kTimePostMin && s.TimePost <= kTimePostMax);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString input = ryvo::fuzz::ScratchPath("input.dat");
    static const QString output = ryvo::fuzz::ScratchPath("ryvw.dat");
    const bool startup = size > 0 && (data[0] & 1U) != 0;
    ryvo::fuzz::PutFile(input, data, size);

    Settings defaults;
    ApplyBuiltInDefaults(defaults);
    defaults.CentX[6] = 3.5F; // a spare lane value the start-up read replaces
    const Settings first = Read(defaults, input, startup);
    CheckTimes(first);
    for (const Table table : kTables) {
        for (int slot = kLaneCount; slot < kLaneSlots; ++slot) {
            const float spare =
                table == &Settings::CentX || table == &Settings::CentY ? 0.0F : 4.0F;
            FUZZ_CHECK((first.*table)[slot] == (startup ? spare : (defaults.*table)[slot]));
        }
    }
    // Nothing outside the calibration is touched.
    Settings outside = first;
    for (const Table table : kTables) {
        outside.*table = defaults.*table;
    }
    outside.TimeGun = defaults.TimeGun;
    outside.TimeShoot = defaults.TimeShoot;
    outside.TimePost = defaults.TimePost;
    outside.TimeTrace = defaults.TimeTrace;
    FUZZ_CHECK(outside == defaults);

    FUZZ_CHECK(WriteCalibration(first, output));
    // Read over different values, so that a field the file does not set shows.
    Settings other = defaults;
    for (const Table table : kTables) {
        (other.*table).fill(-123.0F);
    }
    other.TimeGun = 7;
    other.TimeShoot = -9;
    other.TimePost = 9;
    other.TimeTrace = -9;
    const Settings second = Read(other, output, false);
    for (const Table table : kTables) {
        for (int lane = 0; lane < kLaneCount; ++lane) {
            FUZZ_CHECK(WithinPrinted((first.*table)[lane], (second.*table)[lane], 6));
        }
        for (int slot = kLaneCount; slot < kLaneSlots; ++slot) {
            FUZZ_CHECK((second.*table)[slot] == (other.*table)[slot]);
        }
    }
    FUZZ_CHECK(second.TimeGun == first.TimeGun && second.TimeShoot == first.TimeShoot);
    FUZZ_CHECK(second.TimePost == first.TimePost && second.TimeTrace == first.TimeTrace);

    FUZZ_CHECK(WriteCalibration(second, output));
    const Settings third = Read(other, output, false);
    CheckFloats(second, third, SameFloat);
    FUZZ_CHECK(third.TimeGun == second.TimeGun && third.TimeShoot == second.TimeShoot);
    FUZZ_CHECK(third.TimePost == second.TimePost && third.TimeTrace == second.TimeTrace);
    return 0;
}
