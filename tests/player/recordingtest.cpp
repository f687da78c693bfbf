#include "recordingtest.h"

#include "engine/playerstate.h"
#include "engine/recordingstate.h"
#include "engine/streammeta.h"
#include "engine/streamrecorder.h"

#include <QDir>

namespace zvtest {

void NotingView::setLabel(Label label, const QString& text) {
    std::lock_guard lock(mutex_);
    calls_.emplace_back(label, text);
}

std::vector<std::pair<zvengine::ReceiverView::Label, QString>> NotingView::calls() {
    std::lock_guard lock(mutex_);
    return calls_;
}

void RecordingTest::SetUp() {
    PlayerTest::SetUp();
    stations.stations[0].name = QStringLiteral("Teszt Rádió");
    zvengine::PlayerState& player = zvengine::playerState();
    player.view = &view;
    player.stations = &stations;
    player.currentStation = 0;
    generation = ++player.generation;
    zvengine::RecordingState& state = zvengine::recordingState();
    {
        std::lock_guard lock(state.mutex);
        state.titleText.clear();
        state.lastTitle.clear();
        state.recordFile.clear();
        state.recordOpened = state.recordSynced = state.recordOpenFailed = false;
    }
    zvengine::setStreamType(ZVA_CTYPE_STREAM_MP3);
    zvengine::setRecordingEnabled(true);
    zvengine::createFileWriter();
}

void RecordingTest::TearDown() {
    const std::uintptr_t current = zvengine::playerState().generation;
    zvengine::SUBDOWNLOADPROC(nullptr, 0, reinterpret_cast<void*>(current));
    zvengine::setRecordingEnabled(false);
    zvengine::playerState().view = nullptr;
    zvengine::playerState().stations = nullptr;
    PlayerTest::TearDown();
}

void RecordingTest::meta(const QByteArray& text) {
    zvengine::DoMeta(text.constData(), generation);
}

void RecordingTest::block(const QByteArray& bytes) {
    zvengine::SUBDOWNLOADPROC(bytes.constData(), static_cast<std::uint32_t>(bytes.size()), user());
}

void* RecordingTest::user() const {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(generation));
}

QString RecordingTest::recordFile() const {
    zvengine::RecordingState& state = zvengine::recordingState();
    std::lock_guard lock(state.mutex);
    return state.recordFile;
}

QStringList RecordingTest::programFiles() const {
    return QDir(programDir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace zvtest
