// The fixture of the title and recording tests: a view that notes every label it is given (the
// playback tests' too), one station ("Teszt Rádió"), the current generation, recording state
// cleared and recording on, the program folder private to the test.
#pragma once

#include "playertest.h"

#include "engine/playerstate.h"
#include "engine/recordingstate.h"
#include "engine/streammeta.h"
#include "engine/streamrecorder.h"

#include <QDir>
#include <QStringList>

#include <mutex>
#include <optional>
#include <vector>

namespace zvtest {

// Notes labels from any thread, each with whether the start that gave it was the current one.
class NotingView : public zvengine::ReceiverView {
public:
    struct Call {
        Label label;
        QString text;
        bool current = true;
        bool operator==(const Call&) const = default;
    };
    void setLabel(std::uint64_t generation, Label label, const QString& text) override {
        const bool current = zvengine::playerState().current(generation);
        std::lock_guard lock(mutex_);
        calls_.push_back({label, text, current});
    }
    void setCaption(std::uint64_t, const QString&) override {}
    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // What the window shows: the texts of the current starts, every change in order.
    QStringList changes(std::optional<Label> only = std::nullopt) const {
        QStringList texts;
        for (const Call& call : calls()) {
            if (call.current && (!only || call.label == *only)) {
                texts << call.text;
            }
        }
        return texts;
    }
    QString label(Label label) const {
        const QStringList texts = changes(label);
        return texts.isEmpty() ? QString() : texts.back();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;  // mutex_
};

class RecordingTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        stations.stations[0].name = QStringLiteral("Teszt Rádió");
        zvengine::PlayerState& player = zvengine::playerState();
        player.attach(&view, &stations);
        player.currentStation = 0;
        generation = player.beginGeneration();
        zvengine::RecordingState& state = zvengine::recordingState();
        {
            std::lock_guard lock(state.mutex);
            state.titleText = state.lastTitle = state.recordFile = QString();
            state.recordOpened = state.recordSynced = state.recordOpenFailed = false;
            state.titleKeep.drop();
            state.oggHeaders.clear();
        }
        zvengine::setStreamType(ZVA_CTYPE_STREAM_MP3);
        zvengine::setRecordingEnabled(true);
        zvengine::createFileWriter();
    }
    void TearDown() override {
        const std::uintptr_t current = zvengine::playerState().generation();
        zvengine::SUBDOWNLOADPROC(nullptr, 0, reinterpret_cast<void*>(current));
        zvengine::playerState().detach(&view);
        PlayerTest::TearDown();
    }

    void meta(const QByteArray& text) { zvengine::DoMeta(text.constData(), generation); }
    void block(const QByteArray& bytes) {
        zvengine::SUBDOWNLOADPROC(bytes.constData(), static_cast<std::uint32_t>(bytes.size()),
                                  user());
    }
    void* user() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(generation)); }
    QString recordFile() const {
        zvengine::RecordingState& state = zvengine::recordingState();
        std::lock_guard lock(state.mutex);
        return state.recordFile;
    }
    QStringList programFiles() const {
        return QDir(programDir.path())
            .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    NotingView view;
    zvengine::StationList stations;
    std::uint64_t generation = 0;
};

}  // namespace zvtest
