// Every station at one loudness: the settings box and the library's switch it sets, and the
// memory of each station's loudness across starts, through real files, the real worker and
// stationd.
#include "dialogs/frmsett.h"
#include "engine/audioengine.h"
#include "engine/loudnessmemory.h"
#include "engine/outputdevice.h"
#include "engine/streamworker.h"
#include "platform/settingsstore.h"
#include "platform/writefolders.h"
#include "recordingtest.h"
#include "startup/startup.h"
#include "startup/startupvalues.h"
#include "ui/frmmain.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <zvaudio.h>

#include <sys/stat.h>

namespace {

using zvengine::LoudnessMemory;

class Loudness : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        zvengine::playerState().attach(&view, &list);
        zvengine::deviceChoice().deviceIndex = zvengine::deviceChoice().previousDevice = 0;
    }
    void TearDown() override {
        zvengine::playerState().beginGeneration();
        zvengine::playerState().detach(&view);
        PlayerTest::TearDown();
    }
    // The settings store with the output device 1 and `level` as the switch (nullptr: none).
    static void storeSwitch(const char* level) {
        zvsettings::removeSection(zvsettings::kSettingsSection);
        zvsettings::write(zvsettings::kSettingsSection, "Hangkartya", "1");
        if (level != nullptr) {
            zvsettings::write(zvsettings::kSettingsSection, "EgyenletesHangero", level);
        }
    }
    // Starts station `index` at `path` of stationd, as a click would.
    void start(const char* path, int index = 0) {
        list.stations[static_cast<size_t>(index)].streamUrl = url(*server, path);
        zvengine::stopStream();
        ASSERT_TRUE(zvengine::startWorker(index));
    }
    static std::optional<float> attribute(std::uint32_t attrib) {
        float value = 0.0f;
        const std::uint32_t stream = zvengine::playerState().streamHandle();
        return ZVA_ChannelGetAttribute(stream, attrib, &value) != 0 ? std::optional(value)
                                                                    : std::nullopt;
    }

    const QString file = programPath("hangerok.tsv");
    zvtest::NotingView view;
    zvengine::StationList list;
    static inline zvtest::Stationd* const server = &zvtest::sharedStationd();
};

}  // namespace

// The box shows the stored switch, on when none is stored; every change is stored and reaches
// the library at once, and Cancel keeps it.
TEST_F(Loudness, TheBoxShowsTheStoredSwitchAndHoldsEveryChangeAtOnce) {
    ASSERT_TRUE(openAudio());
    const std::pair<const char*, bool> rows[] = {{nullptr, true}, {"1", true}, {"0", false}};
    for (const auto& [stored, shown] : rows) {
        storeSwitch(stored);
        frmSett dialog([](QWidget*) {});
        QCheckBox* level = control<QCheckBox>(dialog, "chkLevel");
        EXPECT_EQ(level->text(), "Egyenletes hangerő minden adón");
        EXPECT_EQ(level->isChecked(), shown) << stored;
        for (const bool on : {!shown, shown, !shown}) {
            level->click();
            EXPECT_EQ(zvsettings::read(zvsettings::kSettingsSection, "EgyenletesHangero"),
                      on ? "1" : "0");
            EXPECT_EQ(ZVA_GetConfig(ZVA_CONFIG_LEVEL), on ? 1u : 0u) << stored;
        }
        control<QPushButton>(dialog, "cmdCancl")->click();
        EXPECT_EQ(ZVA_GetConfig(ZVA_CONFIG_LEVEL), shown ? 0u : 1u) << stored;
    }
}

// The stored switch holds from start-up, before any station plays.
TEST_F(Loudness, TheStoredSwitchHoldsBeforeAnyStationPlays) {
    installSkins();
    installAudioLibrary();
    writeFile(programPath("zvadok.ini"), "[Adok]\nadoUrl0=http://127.0.0.1:1/a\nenable0=1\n");
    const std::pair<const char*, std::uintptr_t> rows[] = {
        {nullptr, 1}, {"0", 0}, {"1", 1}, {"ki", 1}};
    for (const auto& [stored, level] : rows) {
        storeSwitch(stored);
        ZVA_SetConfig(ZVA_CONFIG_LEVEL, 1 - level);
        zvstartup::startupValues() = {};
        const std::unique_ptr<frmMain> window = zvstartup::Main({});
        EXPECT_EQ(ZVA_GetConfig(ZVA_CONFIG_LEVEL), level) << stored;
        window->close();
    }
}

// A line is the stream address, a TAB and the loudness with one decimal and a point; the file is
// its owner's alone, and the next start reads back its whole lines.
TEST_F(Loudness, EachStationIsOneLineOfAddressAndLoudness) {
    const std::pair<const char*, float> rows[] = {{"http://127.0.0.1/a\t-14.3\n", -14.26f},
                                                  {"http://127.0.0.1/b\t-10.0\n", -9.96f},
                                                  {"http://ádó.hu/c\t3.0\n", 3.0f}};
    LoudnessMemory memory;
    memory.open(file);
    QByteArray lines;
    for (const auto& [line, lufs] : rows) {
        memory.measured(QString::fromUtf8(line).section('\t', 0, 0), 60.0f, lufs);
        lines += line;
    }
    EXPECT_EQ(readFile(file), lines);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    writeFile(file, lines + "http://x/a\t-12,5\nhttp://x/b\t-1\tx\nhttp://x/c\tnan\nhttp://x/d\n");
    memory.open(file);
    for (const auto& [line, lufs] : rows) {
        const QStringList fields = QString::fromUtf8(line).trimmed().split('\t');
        EXPECT_EQ(memory.loudness(fields[0]), fields[1].toFloat()) << line;
    }
    for (const char* address : {"http://x/a", "http://x/b", "http://x/c", "http://x/d"}) {
        EXPECT_EQ(memory.loudness(address), std::nullopt) << address;
    }
}

// Only a loudness measured over at least 10 s is remembered.
TEST_F(Loudness, TenSecondsOfSoundAreRemembered) {
    const std::pair<float, bool> rows[] = {{0.0f, false}, {9.9f, false}, {10.0f, true}};
    for (const auto& [seconds, kept] : rows) {
        QFile::remove(file);
        LoudnessMemory memory;
        memory.open(file);
        memory.measured("http://x/a", seconds, -18.0f);
        EXPECT_EQ(memory.loudness("http://x/a").has_value(), kept) << seconds;
        EXPECT_EQ(readFile(file) == "http://x/a\t-18.0\n", kept) << seconds;
    }
}

// At most 100 stations: the one written longest ago goes first, across starts too.
TEST_F(Loudness, TheOldestWrittenStationGoesPastAHundred) {
    const auto address = [](int n) { return QStringLiteral("http://x/%1").arg(n); };
    LoudnessMemory memory;
    memory.open(file);
    for (int n = 0; n < 100; ++n) {
        memory.measured(address(n), 60.0f, -20.0f);
    }
    memory.measured(address(0), 60.0f, -21.0f);
    memory.measured(address(100), 60.0f, -20.0f);
    memory.open(file);
    memory.measured(address(101), 60.0f, -20.0f);
    const std::pair<int, bool> rows[] = {{0, true}, {1, false}, {2, false}, {3, true}, {101, true}};
    for (const auto& [n, kept] : rows) {
        EXPECT_EQ(memory.loudness(address(n)).has_value(), kept) << n;
    }
    EXPECT_EQ(readFile(file).count('\n'), 100);
}

// A file that cannot be read or written costs only its memory: the run still remembers, and
// nothing is shown or logged.
TEST_F(Loudness, AFileThatCannotBeUsedCostsOnlyTheMemory) {
    writeFile(programPath("fajl"), "x");
    ASSERT_TRUE(QDir(programDir.path()).mkdir("mappa"));
    for (const QString& path : {programPath("fajl/hangerok.tsv"), programPath("mappa")}) {
        LoudnessMemory memory;
        memory.open(path);
        memory.measured("http://x/a", 60.0f, -17.0f);
        EXPECT_EQ(memory.loudness("http://x/a"), -17.0f) << path.toStdString();
        memory.open(path);
        EXPECT_EQ(memory.loudness("http://x/a"), std::nullopt) << path.toStdString();
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(QFile::exists(zvpaths::logFolder() + "/Error.log"));
}

// Every start of a station heard before gives its stream the remembered loudness before it
// plays; another station gets none of it.
TEST_F(Loudness, EveryStartGivesTheStationItsRememberedLoudness) {
    ASSERT_TRUE(openAudio());
    writeFile(file, url(*server, "/mp3?burst=0").toUtf8() + "\t-31.4\n");
    zvengine::loudnessMemory().open(file);
    const auto bufferings = [this] { return view.changes().filter("Puffer").size(); };
    const std::pair<const char*, bool> rows[] = {
        {"/mp3?burst=0", true}, {"/mp3-48?burst=0", false}, {"/mp3?burst=0", true}};
    for (const auto& [path, given] : rows) {
        const qsizetype before = bufferings();
        start(path);
        // Read while this start's worker buffers: its stream is created and does not play yet.
        ASSERT_TRUE(QTest::qWaitFor([&] { return bufferings() > before; }));
        EXPECT_EQ(attribute(ZVA_ATTRIB_LOUDNESS) == -31.4f, given) << path;
    }
    zvengine::stopStream();
}

// What a station measured over at least 10 s is written when another station starts and when
// the receiver closes, for the station's next start.
TEST_F(Loudness, ASwitchAndTheEndRememberTheStation) {
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"switch", [this] { start("/mp3-48", 1); }},
        {"end", [] { zvengine::audioEngine().shutdown(); }}};
    for (const auto& [way, leave] : rows) {
        QFile::remove(file);
        zvengine::loudnessMemory().open(file);
        ASSERT_TRUE(openAudio());
        start("/mp3");
        ASSERT_TRUE(QTest::qWaitFor(
            [] { return attribute(ZVA_ATTRIB_LOUDNESS_SECONDS).value_or(0.0f) >= 10.0f; }, 60000));
        const std::optional<float> heard = attribute(ZVA_ATTRIB_LOUDNESS);
        ASSERT_TRUE(heard.has_value());
        leave();
        ASSERT_TRUE(workerDone());
        const QList<QByteArray> line = readFile(file).split('\n').first().split('\t');
        ASSERT_EQ(line.size(), 2) << way;
        EXPECT_EQ(line[0], url(*server, "/mp3").toUtf8()) << way;
        // The measurement goes on until the stop: within a unit of what was read just before.
        EXPECT_NEAR(line[1].toFloat(), *heard, 1.0f) << way;
        ZVA_Free();
    }
}
