// The fixture of the title and recording tests: a view that notes every label it is given,
// one station ("Teszt Rádió"), the current generation, recording state cleared and recording
// on, the program folder private to the test.
#pragma once

#include "playertest.h"

#include "engine/receiverview.h"
#include "engine/stationtable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace zvtest {

class NotingView : public zvengine::ReceiverView {
public:
    void setLabel(Label label, const QString& text) override;
    void setCaption(const QString&) override {}
    std::vector<std::pair<Label, QString>> calls();

private:
    std::mutex mutex_;
    std::vector<std::pair<Label, QString>> calls_;  // mutex_
};

class RecordingTest : public PlayerTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void meta(const QByteArray& block);   // DoMeta of the current generation
    void block(const QByteArray& bytes);  // SUBDOWNLOADPROC of the current generation
    void* user() const;
    QString recordFile() const;
    QStringList programFiles() const;

    NotingView view;
    zvengine::StationList stations;
    std::uint64_t generation = 0;
};

}  // namespace zvtest
