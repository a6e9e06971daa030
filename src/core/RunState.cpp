#include "core/RunState.h"

#include <QJsonArray>

namespace ryvo {

void SetShotMember(QJsonObject& beside, int shot, const QString& key, const QJsonValue& value) {
    if (shot < 0) {
        return;
    }
    QJsonArray shots = beside.value(QLatin1String("shots")).toArray();
    while (shots.size() <= shot) {
        shots.append(QJsonObject());
    }
    QJsonObject one = shots.at(shot).toObject();
    one.insert(key, value);
    shots.replace(shot, one);
    beside.insert(QLatin1String("shots"), shots);
}

} // namespace ryvo
