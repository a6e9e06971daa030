// The remarks reader on arbitrary files, against a model of its rule: the file's lines
// (CR LF or LF ended), each cut into pieces of 199 characters, empty pieces dropped, the
// first 50 kept.

#include "FuzzSupport.h"

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "platform/TextFile.h"

#include <vector>

using namespace ryvo;

namespace {

std::vector<QByteArray> ModelRemarks(const QByteArray& file) {
    QByteArray text = file;
    text.replace("\r\n", "\n");
    std::vector<QByteArray> remarks;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray& line : lines) {
        for (qsizetype at = 0; at < line.size(); at += 199) {
            if (remarks.size() < static_cast<size_t>(kMaxRemarks)) {
                remarks.push_back(line.mid(at, 199));
            }
        }
    }
    return remarks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString path = ryvo::fuzz::ScratchPath("ryvw.cmt");
    ryvo::fuzz::PutFile(path, data, size);
    const std::vector<QString> remarks = ReadRemarks(path);

    const std::vector<QByteArray> model =
        ModelRemarks(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    FUZZ_CHECK(remarks.size() == model.size());
    for (size_t i = 0; i < remarks.size(); ++i) {
        FUZZ_CHECK(ToCp1251(remarks[i]) == model[i]);
    }
    return 0;
}
