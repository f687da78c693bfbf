#include "ui/previousinstance.h"
#include "platform/settingsstore.h"
#include "playertest.h"
#include "ui/frmmain.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

namespace {

const QString kWindowKey = "WindowHandle";

class OneCopy : public zvtest::PlayerTest {};

ino_t inode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// A running copy that cannot hand a later copy what it waits for: one that accepts at once but
// acknowledges only after ten seconds, or one too busy to accept (its queue of one is full).
class BusyFirstCopy {
public:
    enum class Busy { AnswersLate, QueueFull };
    BusyFirstCopy(const QString& path, Busy busy) : socket_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{AF_UNIX, {}};
        path.toStdString().copy(address.sun_path, sizeof address.sun_path - 1);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(socket_, busy == Busy::QueueFull ? 0 : 1);
        if (busy == Busy::QueueFull) {
            ::connect(waiting_, reinterpret_cast<sockaddr*>(&address), sizeof address);
            return;
        }
        thread_ = std::jthread([this](std::stop_token end) {
            const int later = ::accept(socket_, nullptr, nullptr);
            std::mutex mutex;
            std::unique_lock lock(mutex);
            std::condition_variable_any().wait_for(lock, end, std::chrono::seconds(10),
                                                   [] { return false; });
            if (!end.stop_requested()) {
                ::send(later, "OK\n", 3, MSG_NOSIGNAL);
            }
            ::close(later);
        });
    }
    ~BusyFirstCopy() {
        thread_.request_stop();
        ::shutdown(socket_, SHUT_RDWR);  // an accept still waiting returns
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(waiting_);
        ::close(socket_);
    }

private:
    const int socket_;
    const int waiting_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    std::jthread thread_;
};

}  // namespace

// However the running copy fails a later copy, the later one ends with its box and leaves the
// running copy's socket where it is.
TEST_F(OneCopy, ARunningCopyThatDoesNotAnswerInTimeEndsTheLaterCopyWithItsBox) {
    for (const auto busy : {BusyFirstCopy::Busy::AnswersLate, BusyFirstCopy::Busy::QueueFull}) {
        SCOPED_TRACE(static_cast<int>(busy));
        boxes.shown.clear();
        zvsettings::write(zvsettings::kWindowSection, kWindowKey, "7");
        zvengine::StationList list;
        frmMain window(list);
        const QString name = modPreviousInstance::serverName();
        BusyFirstCopy first(name, busy);
        const ino_t socketBefore = inode(name);
        EXPECT_EQ(endOf([&] { modPreviousInstance::CheckPrevInstance(window, 4); }),
                  zvbox::kExitFailed);
        EXPECT_EQ(boxes.shown, (Boxes{{"Hiba",
                                       "A Zenovia ablaka nem aktiválható.\rKérem indítsa újra a "
                                       "programot."}}));
        EXPECT_TRUE(zvsettings::read(zvsettings::kWindowSection, kWindowKey).isEmpty());
        EXPECT_EQ(inode(name), socketBefore);
        QFile::remove(name);
    }
}

TEST_F(OneCopy, TheFirstCopyForgetsItsWindowWhenItCloses) {
    installSkins();
    zvengine::StationList list;
    list.defaultPictureUrl = "http://127.0.0.1:1/nincs.gif";
    frmMain window(list);
    window.Form_Load();
    ASSERT_TRUE(showActive(window));
    EXPECT_EQ(zvsettings::read(zvsettings::kWindowSection, kWindowKey),
              QString::number(window.winId()));
    window.close();
    EXPECT_TRUE(zvsettings::read(zvsettings::kWindowSection, kWindowKey).isEmpty());
}

// Real copies of the receiver sharing this test's settings store and TEMP folder. Each round's
// running copy is killed, so the next round starts over a crashed copy's socket.
TEST_F(OneCopy, ALaterCopyHandsItsStationToTheRunningOneEvenAfterACrash) {
#if defined(__SANITIZE_THREAD__)
    // Two processes, not threads, meet here; copies slowed down by the sanitizer on a busy
    // machine may rightly miss the two seconds a later copy waits.
    GTEST_SKIP() << "not under ThreadSanitizer";
#endif
    const QString log = tempPath("requests.log");
    zvtest::Stationd server(ZV_TEST_DATA_DIR, {"--log", log.toStdString()});
    const QByteArray url = QByteArray::fromStdString(server.url("/mp3?station="));
    installReceiver("[Adok]\nadoUrl0=" + url + "1\nenable0=1\nadoUrl3=" + url + "4\nenable3=1\n");
    auto start = [&](QProcess& copy, const char* station) {
        return startReceiver(copy, {"/hallgat", QLatin1String(station)});
    };

    for (const char* station : {"4", "1"}) {
        zvsettings::removeSection(zvsettings::kWindowSection);
        QProcess running;
        ASSERT_TRUE(start(running, "0"));
        ASSERT_TRUE(windowUp(running));
        QProcess later;
        ASSERT_TRUE(start(later, station));
        ASSERT_TRUE(later.waitForFinished(30000)) << station;
        EXPECT_EQ(later.exitCode(), zvbox::kExitNormal) << station;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return readFile(log).contains(QByteArray("GET /mp3?station=") + station); },
            30000));
        running.kill();
        running.waitForFinished();
    }
}

// A later copy finds the running one whatever its TEMP folder; only the user may reach it.
TEST_F(OneCopy, ALaterCopyFindsTheRunningOneWhateverItsTemp) {
    zvengine::StationList list;
    frmMain first(list);
    frmMain later(list);
    modPreviousInstance::CheckPrevInstance(first, 0);
    EXPECT_EQ(QFileInfo(modPreviousInstance::serverName()).permissions() & ~QFile::ReadUser &
                  ~QFile::WriteUser,
              QFile::ReadOwner | QFile::WriteOwner);
    QTemporaryDir otherTemp;
    qputenv("TEMP", otherTemp.path().toUtf8());
    EXPECT_EQ(endOf([&] { modPreviousInstance::CheckPrevInstance(later, 4); }), zvbox::kExitNormal);
    EXPECT_EQ(boxes.shown, Boxes{});
}

TEST_F(OneCopy, ACopyThatCannotListenSaysSoInTheLog) {
    const QString longFolder = runtimeDir.path() + '/' + QString(120, 'r');
    ASSERT_TRUE(QDir().mkdir(longFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", longFolder.toUtf8());
    qputenv("TEMP", longFolder.toUtf8());
    zvengine::StationList list;
    frmMain window(list);
    modPreviousInstance::CheckPrevInstance(window, 0);
    EXPECT_TRUE(readFile(programPath("Error.log"))
                    .contains("Code :modPreviousInstance.CheckPrevInstance, Hiba: "));
}

// A later copy started while the running one still fetches its logos (slowly) is answered at
// once and ends normally; the running copy starts the station once its window is up.
TEST_F(OneCopy, ARunningCopyStillLoadingAnswersALaterCopyAtOnce) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "not under ThreadSanitizer, as above";
#endif
    const QString log = tempPath("requests.log");
    zvtest::Stationd server(ZV_TEST_DATA_DIR, {"--log", log.toStdString()});
    const QByteArray url = QByteArray::fromStdString(server.url("/mp3?station="));
    installReceiver("[Adok]\nadoUrl0=" + url + "1\nenable0=1\npictur0=" +
                    QByteArray::fromStdString(server.url("/logo.gif?delay_ms=8000")) +
                    "\nadoUrl3=" + url + "4\nenable3=1\n");
    QProcess first;
    ASSERT_TRUE(startReceiver(first, {}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(log).contains("GET /logo.gif"); }, 30000));
    QProcess later;
    ASSERT_TRUE(startReceiver(later, {"/hallgat", "4"}));
    ASSERT_TRUE(later.waitForFinished(30000));
    EXPECT_EQ(later.exitCode(), zvbox::kExitNormal);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return readFile(log).contains("GET /mp3?station=4"); }, 30000));
    first.terminate();
    EXPECT_TRUE(first.waitForFinished(30000));
}
