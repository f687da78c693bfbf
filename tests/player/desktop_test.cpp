// The receiver on the desktop's media controls and in its notices, as other programs on a
// private session bus see it: its requests act as the window's own controls, and what plays
// shows there.
#include "childprocess.h"
#include "desktop/mediacontrols.h"
#include "desktop/titlenotice.h"
#include "engine/audioengine.h"
#include "engine/outputdevice.h"
#include "engine/playerstate.h"
#include "engine/titlehistory.h"
#include "notificationservice.h"
#include "platform/settingsstore.h"
#include "playertest.h"
#include "ui/frmmain.h"
#include "ui/skinlabel.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <future>

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.zenovia");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = kRoot + QStringLiteral(".Player");
const QString kNotices = QStringLiteral("org.freedesktop.Notifications");
const QString kNoticesPath = QStringLiteral("/org/freedesktop/Notifications");

class Desktop : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        address = QString::fromStdString(daemon.line());
        ASSERT_FALSE(address.isEmpty());
        installSkins();
        for (size_t i : {0, 2}) {
            list.stations[i] = {
                url(server, "/mp3?titles=Dal%20%26%20T%C3%A1nc"), {}, "Rock && Pop", true, {}};
        }
        list.defaultPictureUrl = QStringLiteral("http://127.0.0.1:1/nincs.gif");
        zvengine::deviceChoice().deviceIndex = 0;
        window = loadedWindow(list);
        zvengine::playerState().currentStation = -1;
        ASSERT_TRUE(zvdesktop::offerMediaControls(*window, bus("receiver")));
    }
    void TearDown() override {
        window.reset();
        PlayerTest::TearDown();
    }

    // A connection of its own to this test's bus.
    QDBusConnection bus(const char* name) const {
        return QDBusConnection::connectToBus(address, address + QLatin1String(name));
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
    QVariant get(const QString& interface, const char* property) const {
        return remotely([&] {
            return QDBusInterface(kService, kPath, interface, bus("remote")).property(property);
        });
    }
    void call(const char* method) const {
        remotely([&] {
            QDBusInterface(kService, kPath, kPlayer, bus("remote")).call(QLatin1String(method));
        });
    }

    zvtest::ChildProcess daemon{{"dbus-daemon", "--session", "--nofork", "--print-address=1"}};
    QString address;
    const zvtest::Stationd& server = zvtest::sharedStationd();
    zvengine::StationList list;
    std::unique_ptr<frmMain> window;
};

}  // namespace

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
        call(row.method);
        EXPECT_EQ(zvengine::playerState().currentStation, row.station) << row.method;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return get(kPlayer, "PlaybackStatus") == QLatin1String(row.status);
        })) << row.method;
    }
    EXPECT_EQ(control<SkinLabel>(*window, "lblTitle")->value(), zvengine::kChooseStationPrompt);
    EXPECT_EQ(qdbus_cast<QVariantMap>(get(kPlayer, "Metadata")).keys(),
              QStringList{"mpris:trackid"});
}

// A station still connecting is playing for the desktop, as for the window's own controls: the
// play button turns to pause at the request, not once the sound comes.
TEST_F(Desktop, AStationStillConnectingIsPlaying) {
    QTcpServer silent;  // takes the connection and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    list.stations[0].streamUrl = QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort());
    call("Play");
    EXPECT_EQ(zvengine::audioEngine().onAir(), zvengine::OnAir::Connecting);
    EXPECT_EQ(get(kPlayer, "PlaybackStatus"), QLatin1String("Playing"));
    call("Stop");
    EXPECT_EQ(get(kPlayer, "PlaybackStatus"), QLatin1String("Stopped"));
}

// The bus hears of a new title as the listener reads it, with the station as its artist.
TEST_F(Desktop, TitleShowsOnTheDesktop) {
    const std::unique_ptr<QDBusInterface> properties(remotely([this] {
        auto* watch =
            new QDBusInterface(kService, kPath, "org.freedesktop.DBus.Properties", bus("remote"));
        watch->moveToThread(qApp->thread());
        return watch;
    }));
    QSignalSpy changes(properties.get(),
                       SIGNAL(PropertiesChanged(QString, QVariantMap, QStringList)));
    call("Play");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QVariantMap changed =
                changes.isEmpty() ? QVariantMap() : changes.takeFirst()[1].toMap();
            return qdbus_cast<QVariantMap>(changed["Metadata"])["xesam:title"] == "Dal & Tánc";
        },
        20000));
    EXPECT_EQ(qdbus_cast<QVariantMap>(get(kPlayer, "Metadata"))["xesam:artist"],
              QStringList{"Rock & Pop"});
}

// The receiver appears on a working bus; without one, or with the name held by another program,
// it goes on in silence.
TEST_F(Desktop, AppearsOnAWorkingBusAndRunsSilentlyWithoutOne) {
    EXPECT_EQ(get(kRoot, "Identity"), QStringLiteral("Zenovia"));
    EXPECT_EQ(get(kRoot, "DesktopEntry"), QStringLiteral("zenovia"));
    const QString refused = QStringLiteral("unix:path=%1/nincs").arg(tempDir.path());
    for (const QDBusConnection& other :
         {QDBusConnection::connectToBus(refused, refused), bus("other")}) {
        EXPECT_FALSE(zvdesktop::offerMediaControls(*window, other)) << other.name().toStdString();
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(QFile::exists(programPath(QStringLiteral("Error.log"))));
}

// With the setting on, each new title heard while the window is not the active one shows in a
// notice that replaces the last: the station's caption, the title (escaped for a service that
// reads markup) and the logo the window shows, a big one made smaller. Off, in front, or without
// a service: nothing, and nothing logged.
TEST_F(Desktop, NewTitlesShowInNoticesWhileTheWindowIsAway) {
    const QString big = tempDir.filePath("nagy.png");
    QImage picture(600, 300, QImage::Format_RGBA8888);
    picture.fill(Qt::red);
    picture.save(big);
    const struct {
        const char* setting;       // "Ertesites"; none stored when null
        bool active;               // the window
        const char* capabilities;  // no service when null
        QString logo;              // the window's logo file
        const char* notices;
    } rows[] = {
        {"1", false, nullptr, "", ""},
        {"1", false, "body", "",
         "Zenovia|0||Rock & Pop|Rock & Roll|-1\nZenovia|1||Rock & Pop|<3|-1"},
        {"1", false, "body body-markup", big,
         "Zenovia|0||Rock & Pop|Rock &amp; Roll|-1\nZenovia|1||Rock & Pop|&lt;3|-1"},
        {"0", false, "", "", ""},
        {nullptr, false, "", "", ""},
        {"1", true, "", "", ""},
    };
    for (const auto& row : rows) {
        zvsettings::removeSection(zvsettings::kSettingsSection);
        if (row.setting != nullptr) {
            zvsettings::write(zvsettings::kSettingsSection, "Ertesites", row.setting);
        }
        zvtest::NotificationService service;
        service.capabilities = QString(row.capabilities).split(' ');
        ASSERT_TRUE(row.capabilities == nullptr || service.serve(bus("notifications")));
        zvengine::audioEngine().setLogoFile(row.logo);
        QWidget away;
        ASSERT_TRUE(!row.active || showActive(away));
        zvdesktop::offerTitleNotices(away, bus("receiver"));
        // A blank title is not heard; its round makes sure the capabilities are known.
        for (const char* title : {"", "Rock && Roll", "<3"}) {
            zvengine::tellTitleShown(zvengine::playerState().generation(), "Rock && Pop", title);
            QCoreApplication::processEvents();
            // The service answers the receiver's calls in order: once this one is answered,
            // every earlier one is.
            bus("receiver")
                .call(QDBusMessage::createMethodCall(kNotices, kNoticesPath, kNotices,
                                                     "GetCapabilities"),
                      QDBus::BlockWithGui);
        }
        EXPECT_EQ(service.notices.join('\n').toStdString(), row.notices);
        const QImage shown =
            row.logo.isEmpty() ? QImage(":/zenovia/logo.gif") : picture.scaled(400, 200);
        for (const QImage& notice : service.pictures) {
            EXPECT_TRUE(notice == shown.convertToFormat(QImage::Format_RGBA8888));
        }
    }
    EXPECT_FALSE(QFile::exists(programPath(QStringLiteral("Error.log"))));
}
