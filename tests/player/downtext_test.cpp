#include "net/downtext.h"
#include "playertest.h"

#include <QFileInfo>

using modDownText::DownloadFile;
using modDownText::getUrls;

namespace {

class Downloads : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        ASSERT_TRUE(root.isValid());
        writeFile(root.path() + "/kicsi.txt", "[Adok]\nadoUrl0=x\n");
        server = std::make_unique<zvtest::Stationd>(root.path().toStdString());
    }
    QString url(const std::string& path) const { return PlayerTest::url(*server, path); }

    QTemporaryDir root;
    std::unique_ptr<zvtest::Stationd> server;
};

}  // namespace

TEST_F(Downloads, FileIsCopiedAndFetchedAfreshEveryTime) {
    const QString target = tempPath("zvad.tmp");
    ASSERT_TRUE(DownloadFile(url("/kicsi.txt"), target));
    EXPECT_EQ(readFile(target), QByteArray("[Adok]\nadoUrl0=x\n"));
    writeFile(root.path() + "/kicsi.txt", "changed");
    ASSERT_TRUE(DownloadFile(url("/kicsi.txt"), target));
    EXPECT_EQ(readFile(target), QByteArray("changed"));
}

TEST_F(Downloads, FailuresLeaveTheTargetAlone) {
    const QString target = tempPath("zvlogo0.gif");
    writeFile(target, "previous");
    EXPECT_FALSE(DownloadFile(url("/nincs.gif"), target));
    EXPECT_FALSE(DownloadFile(url("/kicsi.txt?status=500"), target));
    EXPECT_FALSE(DownloadFile(url("/kicsi.txt?close_after=3"), target));
    EXPECT_FALSE(DownloadFile("http://127.0.0.1:1/x", target));
    EXPECT_FALSE(DownloadFile(QString(), target));
    EXPECT_FALSE(DownloadFile(url("/kicsi.txt"), tempPath("nincs/mappa/x")));
    EXPECT_EQ(readFile(target), QByteArray("previous"));
}

TEST_F(Downloads, APlantedLinkIsReplacedNeverFollowed) {
    const QString victim = root.path() + "/sajat.txt";
    writeFile(victim, "the victim's own");
    for (const QString& pointee : {victim, root.path() + "/uj.txt"}) {
        const QString target = tempPath("zvad.tmp");
        QFile::remove(target);
        ASSERT_TRUE(QFile::link(pointee, target));
        EXPECT_TRUE(DownloadFile(url("/kicsi.txt"), target));
        EXPECT_FALSE(QFileInfo(target).isSymLink());
        EXPECT_EQ(readFile(target), QByteArray("[Adok]\nadoUrl0=x\n"));
    }
    EXPECT_EQ(readFile(victim), QByteArray("the victim's own"));
    EXPECT_FALSE(QFile::exists(root.path() + "/uj.txt"));
}

TEST_F(Downloads, OnlyHttpAndHttpsAreSpokenEvenAfterARedirect) {
    const zvtest::Stationd& stations = zvtest::sharedStationd();
    const std::string local = "file://" + root.path().toStdString() + "/kicsi.txt";
    const std::pair<std::string, bool> rows[] = {
        {local, false},
        {"gopher://127.0.0.1:" + std::to_string(stations.port()) + "/", false},
        {stations.url("/mp3?redirect=" + local), false},
        {stations.url("/mp3?redirect=http://@HOST@/fixtures.ini"), true},
    };
    for (const auto& [address, reachable] : rows) {
        const QString target = tempPath("zvlogo0.gif");
        QFile::remove(target);
        EXPECT_EQ(DownloadFile(QString::fromStdString(address), target), reachable) << address;
        EXPECT_EQ(getUrls(QString::fromStdString(address)).isEmpty(), !reachable) << address;
    }
}

TEST_F(Downloads, BodiesOverEightMebibytesFail) {
    writeFile(root.path() + "/nagy.bin", QByteArray(8 * 1024 * 1024 + 1, 'z'));
    writeFile(root.path() + "/hatar.bin", QByteArray(8 * 1024 * 1024, 'z'));
    EXPECT_FALSE(DownloadFile(url("/nagy.bin"), tempPath("nagy")));
    EXPECT_FALSE(QFile::exists(tempPath("nagy")));
    EXPECT_TRUE(DownloadFile(url("/hatar.bin"), tempPath("hatar")));
}

// The probe returns the body as text, at most its first 64 KiB (at once, even when the body
// then goes silent), or nothing when the body is empty, not there, or silent for the ten
// seconds the probe waits for a first byte.
TEST_F(Downloads, ProbeReturnsTheFirst64KiBOrNothing) {
    writeFile(root.path() + "/ures.txt", "");
    writeFile(root.path() + "/hosszu.txt", QByteArray(200 * 1024, 'a'));
    writeFile(root.path() + "/lista.pls",
              "[playlist]\nTitle1=R\xE1"
              "di\xF3\n");
    const std::pair<const char*, QString> rows[] = {
        {"/kicsi.txt", "[Adok]\nadoUrl0=x\n"},
        {"/lista.pls", "[playlist]\nTitle1=Rádió\n"},
        {"/hosszu.txt", QString(64 * 1024, 'a')},
        {"/hosszu.txt?stall_after=70000", QString(64 * 1024, 'a')},
        {"/ures.txt", ""},
        {"/nincs.pls", ""},
        {"/kicsi.txt?status=404", ""},
        {"/kicsi.txt?stall_after=0", ""},
    };
    for (const auto& [path, text] : rows) {
        EXPECT_EQ(getUrls(url(path)), text) << path;
    }
    EXPECT_EQ(getUrls("http://127.0.0.1:1/"), "");
}

// A station address may be an endless stream: the probe takes its first bytes and returns,
// whether the server answers "ICY 200 OK" or "HTTP/1.0 200 OK" with an audio content type.
// Without the initial burst the stream arrives at its bit rate, so a probe that waited for
// 64 KiB would bring back exactly that much.
TEST(StreamProbe, EndlessStreamsAreReachable) {
    const zvtest::Stationd& stations = zvtest::sharedStationd();
    for (const char* path : {"/mp3?burst=0", "/http/mp3?burst=0", "/aac?burst=0"}) {
        const QString first = getUrls(QString::fromStdString(stations.url(path)));
        EXPECT_FALSE(first.isEmpty()) << path;
        EXPECT_LT(first.size(), 64 * 1024) << path;
    }
    // The same stream, answered with a server error, is not.
    EXPECT_TRUE(getUrls(QString::fromStdString(stations.url("/mp3?status=503"))).isEmpty());
}
