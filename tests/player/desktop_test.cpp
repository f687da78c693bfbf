// The receiver on the desktop's media controls, as another program on a private session bus
// sees it: its requests act as the window's own controls, and what plays shows there.
#include "desktop/mediacontrols.h"
#include "engine/outputdevice.h"
#include "engine/playerstate.h"
#include "playertest.h"
#include "stationd.h"
#include "ui/frmmain.h"
#include "ui/skinlabel.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <zvaudio.h>

#include <future>

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.zenovia");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

class Desktop : public zvtest::PlayerTest {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<zvtest::Stationd>(ZV_TEST_DATA_DIR);
        daemon = std::make_unique<QProcess>();
        daemon->start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        daemon->waitForReadyRead(10000);
        address = QString::fromUtf8(daemon->readLine()).trimmed();
    }
    static void TearDownTestSuite() {
        daemon->terminate();
        daemon->waitForFinished();
        daemon.reset();
        server.reset();
    }
    void SetUp() override {
        PlayerTest::SetUp();
        installSkins();
        const QString song =
            QString::fromStdString(server->url("/mp3?titles=Dal%20%26%20T%C3%A1nc"));
        for (int i : {0, 2}) {
            list.stations[static_cast<size_t>(i)] = {
                song, {}, QStringLiteral("Rock && Pop"), true, {}};
        }
        list.defaultPictureUrl = QStringLiteral("http://127.0.0.1:1/nincs.gif");
        zvengine::deviceChoice().deviceIndex = 0;
        ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
        window = std::make_unique<frmMain>(list);
        window->Form_Load();
        zvengine::playerState().currentStation = -1;
        ASSERT_TRUE(zvdesktop::offerMediaControls(*window, bus("receiver")));
    }
    void TearDown() override {
        window.reset();
        EXPECT_TRUE(QTest::qWaitFor([] { return zvengine::playerState().workerThread == 0; }));
        PlayerTest::TearDown();
    }

    static QDBusConnection bus(const char* name) {
        return QDBusConnection::connectToBus(address, QString::fromLatin1(name));
    }
    // Runs `ask` as another program would: on a thread of its own while the receiver answers.
    template <typename Ask>
    static auto remotely(Ask ask) {
        auto answer = std::async(std::launch::async, ask);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            30000));
        return answer.get();
    }
    static QVariant get(const QString& interface, const char* property) {
        return remotely([&] {
            return QDBusInterface(kService, kPath, interface, bus("remote")).property(property);
        });
    }
    static void call(const QString& method) {
        remotely([&] { QDBusInterface(kService, kPath, kPlayer, bus("remote")).call(method); });
    }
    static QString status() { return get(kPlayer, "PlaybackStatus").toString(); }

    zvengine::StationList list;
    std::unique_ptr<frmMain> window;
    static std::unique_ptr<zvtest::Stationd> server;
    static std::unique_ptr<QProcess> daemon;
    static QString address;
};

std::unique_ptr<zvtest::Stationd> Desktop::server;
std::unique_ptr<QProcess> Desktop::daemon;
QString Desktop::address;

}  // namespace

TEST_F(Desktop, ServiceOffersTheReceiverAsAPlayer) {
    const struct {
        const QString& interface;
        const char* property;
        QVariant value;
    } rows[] = {
        {kRoot, "Identity", QStringLiteral("Zenovia")},
        {kRoot, "DesktopEntry", QStringLiteral("zenovia")},
        {kRoot, "CanRaise", true},
        {kRoot, "HasTrackList", false},
        {kPlayer, "PlaybackStatus", QStringLiteral("Stopped")},
        {kPlayer, "CanGoNext", true},
        {kPlayer, "CanSeek", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(get(row.interface, row.property), row.value) << row.property;
    }
}

// Play, pause and stop act as the preset and stop buttons; next and previous move over the
// offered stations only, wrapping around.
TEST_F(Desktop, RequestsActAsTheWindowsOwnControls) {
    const struct {
        const char* method;
        int station;
        const char* status;
    } rows[] = {
        {"PlayPause", 0, "Playing"}, {"Next", 2, "Playing"},      {"Next", 0, "Playing"},
        {"Previous", 2, "Playing"},  {"PlayPause", 2, "Stopped"}, {"Play", 2, "Playing"},
        {"Pause", 2, "Stopped"},     {"Play", 2, "Playing"},      {"Stop", 2, "Stopped"},
    };
    for (const auto& row : rows) {
        call(QString::fromLatin1(row.method));
        EXPECT_EQ(zvengine::playerState().currentStation, row.station) << row.method;
        EXPECT_TRUE(QTest::qWaitFor([&] { return status() == QLatin1String(row.status); }))
            << row.method << " " << row.station;
    }
    EXPECT_EQ(window->titleLabel().value(), zvengine::kChooseStationPrompt);
}

// The bus hears of a new title as the listener reads it, and the volume moves the slider, which
// hands twice its position to the audio library.
TEST_F(Desktop, TitleAndVolumeShowOnTheDesktop) {
    auto* properties = remotely([] {
        auto* watch = new QDBusInterface(
            kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), bus("remote"));
        watch->moveToThread(qApp->thread());
        return watch;
    });
    QSignalSpy changes(properties, SIGNAL(PropertiesChanged(QString, QVariantMap, QStringList)));
    call(QStringLiteral("Play"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !changes.isEmpty() &&
                   qdbus_cast<QVariantMap>(changes.takeFirst()[1].toMap()[QStringLiteral(
                       "Metadata")])[QStringLiteral("xesam:title")] == QStringLiteral("Dal & Tánc");
        },
        20000));
    const QVariantMap shown = qdbus_cast<QVariantMap>(get(kPlayer, "Metadata"));
    EXPECT_EQ(shown[QStringLiteral("xesam:artist")], QStringList{QStringLiteral("Rock & Pop")});
    const struct {
        double volume;
        int slider;
    } rows[] = {{0.5, 25}, {1.5, 50}, {-1, 0}, {0.33, 17}};
    for (const auto& row : rows) {
        remotely([&] {
            return QDBusInterface(kService, kPath, kPlayer, bus("remote"))
                .setProperty("Volume", row.volume);
        });
        EXPECT_EQ(window->volumeSlider().value(), row.slider) << row.volume;
        int set = -1;
        ZVA_ChannelGetAttributes(zvengine::playerState().streamHandle(), nullptr, &set, nullptr);
        EXPECT_EQ(set, row.slider * 2) << row.volume;
    }
    window->volumeSlider().setValue(10);
    EXPECT_EQ(get(kPlayer, "Volume"), 0.2);
    delete properties;
}

// Without a bus, or with the name held by another program, the receiver goes on in silence.
TEST_F(Desktop, WithoutTheBusTheReceiverRunsSilently) {
    const QDBusConnection rows[] = {
        QDBusConnection::connectToBus(QStringLiteral("unix:path=%1/nincs").arg(tempDir.path()),
                                      QStringLiteral("none")),
        bus("other"),  // the name is the first offer's
    };
    for (const QDBusConnection& row : rows) {
        EXPECT_FALSE(zvdesktop::offerMediaControls(*window, row)) << row.name().toStdString();
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(QFile::exists(programPath(QStringLiteral("Error.log"))));
    EXPECT_EQ(get(kRoot, "Identity"), QStringLiteral("Zenovia"));
}
