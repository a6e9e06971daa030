#pragma once

#include "platform/Page.h"

#include <QStringList>

namespace ryvo::test {

// A window's navigator that only notes which windows it was asked to show.
class RecordingNavigator final : public Navigator {
public:
    void Activate(const QString& className) override { activated << className; }
    Page* Find(const QString&) const override { return nullptr; }
    Page* ActivePage() const override { return nullptr; }
    QStringList activated;
};

} // namespace ryvo::test
