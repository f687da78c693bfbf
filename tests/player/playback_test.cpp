// Starting and stopping stations through the real audio library and stationd: the output device
// chain, the worker's labels, and one stream at a time whatever the timing of starts.
#include "engine/audioengine.h"
#include "engine/loudnessmemory.h"
#include "engine/outputdevice.h"
#include "engine/playerstate.h"
#include "engine/streamworker.h"
#include "engine/streamworkers.h"
#include "platform/settingsstore.h"
#include "platform/writefolders.h"
#include "recordingtest.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <zvaudio.h>

namespace {

using Label = zvengine::ReceiverView::Label;

class Playback : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        zvengine::playerState().attach(&view, &list);
        zvengine::deviceChoice().deviceIndex = 0;
        zvengine::deviceChoice().previousDevice = 0;
    }
    void TearDown() override {
        zvengine::playerState().beginGeneration();
        zvengine::playerState().detach(&view);
        PlayerTest::TearDown();
    }

    // Puts `address` on station `index` and starts it as a click would.
    void start(const QString& address, int index = 0) {
        list.stations[static_cast<size_t>(index)].streamUrl = address;
        zvengine::stopStream();
        ASSERT_TRUE(zvengine::startWorker(index));
    }
    static QString url(const char* path) { return PlayerTest::url(*server, path); }

    zvtest::NotingView view;
    zvengine::StationList list;
    static inline zvtest::Stationd* const server = &zvtest::sharedStationd();
};

// Every station at one loudness: each station's loudness remembered across starts.
using Loudness = Playback;

const QString kNotAvailableTitle = "A műsor nem érhető el, vagy a hangot nem lehet lejátszani";

TEST(BufferPercent, RoundsHalvesToEvenAndCountsAnUnknownEndAsEmpty) {
    const struct {
        std::int64_t download, decode, end;
        int percent;
    } cases[] = {
        {60400, 0, 80000, 76}, {60400, 400, 80000, 75}, {5, 0, 200, 2},
        {1000, 0, 0, 0},       {1000, 0, -1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zvengine::bufferPercent(c.download, c.decode, c.end), c.percent)
            << c.download << " " << c.decode << " " << c.end;
    }
}

// The device chain: the chosen device, then the one that worked before, then the default, with
// a box before each new try; the device that finally opened is stored. An output that is open
// already counts as opened.
TEST_F(Playback, OutputDeviceFallsBackStepByStep) {
    const struct {
        int device, previous;
        const char* driver;
        std::size_t boxes;
        const char* stored;  // "x": the setting stays untouched
        bool ends;
        bool open = false;  // the output is open before the call
    } cases[] = {
        {1, 1, "dummy", 0, "x", false},  {2, 2, "dummy", 0, "x", false, true},
        {2, 2, "dummy", 2, "-1", false}, {2, 1, "dummy", 1, "1", false},
        {2, 2, "nincs", 3, "x", true},
    };
    for (const auto& c : cases) {
        ZVA_Free();
        if (c.open) {
            ASSERT_TRUE(openAudio());
        }
        boxes.shown.clear();
        zvsettings::removeSection(zvsettings::kSettingsSection);
        qputenv("SDL_AUDIODRIVER", c.driver);
        zvengine::deviceChoice().deviceIndex = c.device;
        zvengine::deviceChoice().previousDevice = c.previous;
        EXPECT_EQ(endOf([] { zvengine::InitDev(); }).has_value(), c.ends) << c.device;
        EXPECT_EQ(boxes.shown.size(), c.boxes) << c.device;
        EXPECT_EQ(zvsettings::read(zvsettings::kSettingsSection, "Hangkartya", "x"), c.stored);
    }
    qputenv("SDL_AUDIODRIVER", "dummy");
    ASSERT_GE(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].text,
              "A kiválasztott hangeszközt nem lehet felhasználni digitális "
              "hanglejátszásra.\r\nA korábban beállítottat próbálom.");
    EXPECT_EQ(boxes.shown[2].text,
              "Az első hangeszköz sem érhető el.\r\nValami nagy gond lehet a rendszerével, nézze "
              "meg a hangkártyáit.\r\nKilépek...");
}

// What a start shows: connecting, the buffer filling from 0 % until it passes 75 %, then the
// station's own texts.
TEST_F(Playback, AStartShowsConnectingBufferingThenTheStation) {
    start(url("/mp3?burst=0"));
    ASSERT_TRUE(workerDone());
    const QStringList changes = view.changes();
    const QStringList buffering =
        changes.filter(QRegularExpression("^Pufferelés\\.\\.\\.  \\d+%$"));
    ASSERT_FALSE(buffering.isEmpty());
    EXPECT_EQ(changes.indexOf("Kapcsolódás..."), 3);
    EXPECT_EQ(buffering.front(), "Pufferelés...  0%");
    EXPECT_LE(buffering.back().mid(15).chopped(1).toInt(), 75);
    EXPECT_EQ(changes.indexOf("Kapcsolat létrejött"), changes.lastIndexOf(buffering.back()) + 4);
    EXPECT_TRUE(playing());
}

// The server's headers: name, description and bit rate, with the format in front; a name
// without a description takes the description's place. An Ogg Vorbis station without a bit
// rate of its own shows its header's nominal rate.
TEST_F(Playback, HeadersFillNameDescriptionAndFormat) {
    ASSERT_TRUE(ZVA_PluginLoad("libzvaudio_ogg.so", 0) != 0 ||
                ZVA_ErrorGetCode() == ZVA_ERROR_ALREADY);
    const struct {
        const char *path, *name, *desc, *bps;
    } cases[] = {
        {"/mp3", "Teszt Rádió MP3", "Szinuszhangok 44,1 kHz", "mp3 128kbps"},
        {"/mp3-48", "", "Kapcsolat létrejött", "mp3 128kbps"},
        {"/mp3?icy-description=&icy-br=", "", "Teszt Rádió MP3", "mp3 "},
        {"/ogg/vorbis", "", "Teszt Rádió Ogg Vorbis", "ogg 128kbps"},
        {"/ogg/opus", "", "Teszt Rádió Ogg Opus", "opus 96kbps"},
        {"/ogg/flac", "", "Teszt Rádió Ogg FLAC", "flac 240kbps"},
        {"/ogg/opus?icy-br=", "", "Teszt Rádió Ogg Opus", "opus "},
    };
    for (const auto& c : cases) {
        start(url(c.path));
        ASSERT_TRUE(workerDone()) << c.path;
        EXPECT_EQ(view.label(Label::Name), c.name) << c.path;
        EXPECT_EQ(view.label(Label::Desc), c.desc) << c.path;
        EXPECT_EQ(view.label(Label::Bps), c.bps) << c.path;
    }
}

// A station that cannot be played says so and leaves the receiver usable.
TEST_F(Playback, UnplayableStationsShowTheNotAvailableTexts) {
    // The last station's server is gone for good after its drop: given up after half a second.
    ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, 500);
    const zvtest::Stationd gone(ZV_TEST_DATA_DIR);
    for (const QString& address :
         {url("/nincs-ilyen"), QStringLiteral("HTTP://127.0.0.1:%1/mp3").arg(server->port()),
          QStringLiteral("http://127.0.0.1:1/mp3"), url("/stations.ini"),
          QString::fromStdString(gone.url("/mp3?drop_after=0.6&burst=0&refuse_after_drop=1000"))}) {
        start(address);
        ASSERT_TRUE(workerDone()) << address.toStdString();
        EXPECT_EQ(view.label(Label::Title), kNotAvailableTitle) << address.toStdString();
        EXPECT_EQ(view.label(Label::Name), "Kérem próbálkozzon később, vagy egy másik adóval");
    }
    start(url("/mp3"));
    ASSERT_TRUE(workerDone());
    EXPECT_TRUE(playing());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Playback, StopWhileBufferingEndsTheWorkerSilently) {
    start(url("/mp3?burst=0"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.label(Label::Desc).startsWith("Puffer"); }));
    zvengine::stopStream();
    ASSERT_TRUE(workerDone());
    EXPECT_NE(view.label(Label::Title), kNotAvailableTitle);
    EXPECT_TRUE(boxes.shown.empty());
}

// Starts that overtake each other at any moment leave exactly one stream playing: asked of the
// library, by every handle it has given out.
TEST_F(Playback, RapidStartsLeaveExactlyOneStream) {
    for (int i = 0; i < zvengine::kStationCount; ++i) {
        list.stations[static_cast<size_t>(i)].streamUrl =
            url(i % 2 == 0 ? "/mp3?burst=8192" : "/mp3-48?burst=8192");
    }
    for (int click = 0; click < 12; ++click) {
        zvengine::stopStream();
        zvengine::startWorker(click % zvengine::kStationCount);
        QTest::qWait(click * 17 % 90);
    }
    // Every overtaken worker has ended too, with whatever stream it made.
    ASSERT_TRUE(QTest::qWaitFor([] { return zvengine::streamWorkers().running() == 0; }, 10000));
    int streams = 0;
    for (ZVA_HSTREAM h = 1; h < 5000; ++h) {
        streams += ZVA_ChannelIsActive(h) == ZVA_ACTIVE_PLAYING;
    }
    EXPECT_EQ(streams, 1);
    EXPECT_TRUE(playing());
}

// A stop opens the output again only when a stream may have been created on it since it was
// opened: a start right after the output opened, or after a stop, finds it ready.
TEST_F(Playback, AStopReopensTheOutputOnlyOnceAStreamWasCreatedOnIt) {
    zvengine::InitDev();
    // Every reopen from here on says so with a box: device 2 is missing, device 1 then opens.
    zvengine::deviceChoice().deviceIndex = 2;
    zvengine::deviceChoice().previousDevice = 1;
    boxes.shown.clear();
    zvengine::stopStream();
    start(url("/mp3"));
    EXPECT_EQ(boxes.shown.size(), 0u);
    ASSERT_TRUE(workerDone());
    zvengine::stopStream();
    EXPECT_EQ(boxes.shown.size(), 1u);
    zvengine::deviceChoice().deviceIndex = 2;
    zvengine::stopStream();
    EXPECT_EQ(boxes.shown.size(), 1u);
    zvengine::stopStream(zvengine::OutputReopen::Always);  // as a change of device does
    EXPECT_EQ(boxes.shown.size(), 2u);
}

// What listeners learn of the station on the air, from the engine alone: connecting from the
// start, then playing or not available as the worker ends, stopped by a stop; each change told.
TEST_F(Playback, TheEngineTellsWhatIsOnTheAir) {
    using zvengine::OnAir;
    zvengine::AudioEngine& engine = zvengine::audioEngine();
    const struct {
        const char* path;
        OnAir ended;
        QString title;
    } rows[] = {
        {"/mp3?titles=Els%C5%91", OnAir::Playing, "Első"},
        {"/nincs-ilyen", OnAir::NotAvailable, kNotAvailableTitle},
    };
    for (const auto& row : rows) {
        list.stations[1].streamUrl = url(row.path);
        QSignalSpy changed(&engine, &zvengine::AudioEngine::changed);
        ASSERT_TRUE(engine.start(1));
        EXPECT_EQ(engine.onAir(), OnAir::Connecting) << row.path;
        ASSERT_TRUE(workerDone());
        EXPECT_TRUE(QTest::qWaitFor([&] { return engine.title() == row.title; })) << row.path;
        EXPECT_EQ(engine.onAir(), row.ended) << row.path;
        EXPECT_GE(changed.count(), 3) << row.path;  // the stop, the start, the end
        engine.stop();
        EXPECT_EQ(engine.onAir(), OnAir::Stopped);
        EXPECT_EQ(engine.title(), "");
        EXPECT_EQ(engine.station(), 1) << "the station last chosen stays";
    }
}

// The stream is asked for once, with the receiver's name and version, and with its titles.
TEST_F(Playback, TheStreamRequestNamesTheReceiver) {
    const QString log = tempPath("requests.log");
    zvtest::Stationd logged(ZV_TEST_DATA_DIR, {"--log", log.toStdString()});
    start(PlayerTest::url(logged, "/mp3"));
    ASSERT_TRUE(workerDone());
    int streamRequests = 0;
    for (const QString& request : QString::fromUtf8(readFile(log)).split("\r\n\r\n")) {
        const QStringList lines = request.split("\r\n");
        streamRequests += lines.contains("User-Agent: Zenovia v2.0.0") &&
                          lines.contains("Icy-MetaData: 1") &&
                          lines.front().startsWith("GET /mp3 ");
    }
    EXPECT_EQ(streamRequests, 1) << readFile(log).toStdString();
}

}  // namespace

// The file holds a line per station: its address, a TAB and its loudness with one decimal, the
// owner's alone; what a start reads is what it writes back. Only 10 s of sound is remembered; at
// most 100 stations, the one written longest ago going first, across starts too. A file that
// cannot be read or written costs only what it would remember: the run still remembers, and
// nothing is shown or logged.
TEST_F(Loudness, TheFileRemembersEachStationAcrossStarts) {
    const QString file = programPath("hangerok.tsv");
    writeFile(programPath("fajl"), "x");
    ASSERT_TRUE(QDir(programDir.path()).mkdir("mappa"));
    QByteArray hundred;  // stations 0 to 99 as an earlier start wrote them, the oldest first
    for (int n = 0; n < 100; ++n) {
        hundred += "http://x/" + QByteArray::number(n) + "\t-20.0\n";
    }
    const struct {
        QString path;
        QByteArray before;                                     // as an earlier start left it
        std::vector<std::tuple<QString, float, float>> heard;  // address, seconds, LUFS
        QByteArray after;
    } rows[] = {
        {programPath("fajl/hangerok.tsv"), "", {{"http://x/a", 60.0f, -17.0f}}, ""},
        {programPath("mappa"), "", {{"http://x/a", 60.0f, -17.0f}}, ""},
        {file,
         "http://x/a\t-12,5\nhttp://x/b\t-1\tx\nhttp://x/c\tnan\nhttp://x/d\nhttp://x/e\t-9.5\n",
         {{"http://127.0.0.1/a", 60.0f, -14.26f},
          {"http://127.0.0.1/b", 60.0f, -9.96f},
          {"http://ádó.hu/c", 60.0f, 3.0f}},
         "http://x/e\t-9.5\nhttp://127.0.0.1/a\t-14.3\nhttp://127.0.0.1/b\t-10.0\nhttp://ádó.hu/"
         "c\t3.0\n"},
        {file,
         "",
         {{"http://x/a", 9.9f, -18.0f}, {"http://x/b", 10.0f, -18.0f}},
         "http://x/b\t-18.0\n"},
        {file,
         hundred,
         {{"http://x/0", 60.0f, -21.0f}, {"http://x/100", 60.0f, -20.0f}},
         hundred.mid(hundred.indexOf("http://x/2\t")) + "http://x/0\t-21.0\nhttp://x/100\t-20.0\n"},
    };
    for (const auto& row : rows) {
        QFile::remove(file);
        if (!row.before.isEmpty()) {
            writeFile(row.path, row.before);
        }
        zvengine::LoudnessMemory memory;
        memory.open(row.path);
        for (const auto& [address, seconds, lufs] : row.heard) {
            memory.measured(address, seconds, lufs);
            EXPECT_EQ(memory.loudness(address),
                      seconds >= 10.0f ? std::optional(lufs) : std::nullopt);
        }
        EXPECT_EQ(readFile(row.path), row.after) << row.path.toStdString();
    }
    EXPECT_EQ(QFile::permissions(file),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(QFile::exists(zvpaths::logFolder() + "/Error.log"));
}

// Every start of a station heard before gives its stream the loudness remembered for it before
// it plays, another station none; what it measured over 10 s is written when another station
// starts and when the receiver ends, for its next start.
TEST_F(Loudness, EveryStartBeginsAtWhatTheSwitchOrTheEndWrote) {
    const auto attribute = [](std::uint32_t attrib) {
        float value = 0.0f;
        const std::uint32_t stream = zvengine::playerState().streamHandle();
        return ZVA_ChannelGetAttribute(stream, attrib, &value) != 0 ? std::optional(value)
                                                                    : std::nullopt;
    };
    // Starts `path` and answers its stream's loudness while its worker buffers, before it plays.
    const auto begins = [&](const char* path, int index) {
        const qsizetype before = view.changes().filter("Puffer").size();
        start(url(path), index);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return view.changes().filter("Puffer").size() > before; }));
        return attribute(ZVA_ATTRIB_LOUDNESS);
    };
    const QString file = programPath("hangerok.tsv");
    writeFile(file, url("/mp3?burst=0").toUtf8() + "\t-31.4\n");
    float remembered = -31.4f;
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"switch", [&] { EXPECT_EQ(begins("/mp3-48?burst=0", 1), std::nullopt); }},
        {"end", [] { zvengine::audioEngine().shutdown(); }}};
    for (const auto& [way, leave] : rows) {
        // Each row is a start of the receiver, reading the file.
        zvengine::loudnessMemory().open(file);
        ASSERT_TRUE(openAudio());
        EXPECT_EQ(begins("/mp3?burst=0", 0), remembered) << way;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return attribute(ZVA_ATTRIB_LOUDNESS_SECONDS).value_or(0.0f) >= 10.0f; }, 60000));
        const std::optional<float> heard = attribute(ZVA_ATTRIB_LOUDNESS);
        ASSERT_TRUE(heard.has_value());
        leave();
        ASSERT_TRUE(workerDone());
        const QList<QByteArray> line = readFile(file).split('\t');
        EXPECT_EQ(line.first(), url("/mp3?burst=0").toUtf8()) << way;
        remembered = line.last().toFloat();
        // The measurement goes on until the stop: within a unit of what was read just before.
        EXPECT_NEAR(remembered, *heard, 1.0f) << way;
        ZVA_Free();
    }
}
