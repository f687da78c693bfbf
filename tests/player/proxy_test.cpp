// The stored proxy carries the receiver's downloads and the audio library's streams; a second
// stationd stands in for the proxy and logs the requests that pass through it.
#include "engine/networkproxy.h"
#include "net/httpfetch.h"
#include "playertest.h"
#include "startup/startup.h"
#include "startup/startupvalues.h"
#include "startup/stationfile.h"
#include "ui/frmmain.h"

#include <zvaudio.h>

namespace {

class Proxy : public zvtest::PlayerTest {
protected:
    void TearDown() override {
        zvengine::applyProxy({});
        PlayerTest::TearDown();
    }
    qsizetype passedThrough(const QString& address) const {
        return QString::fromUtf8(readFile(log)).count("GET " + address);
    }
    const QString log = tempDir.path() + "/proxy.log";
    zvtest::Stationd proxy{ZV_TEST_DATA_DIR "/../../tools/stationd/demo",
                           {"--log", log.toStdString()}};
    const QString address = QStringLiteral("127.0.0.1:%1").arg(proxy.port());
};

TEST_F(Proxy, DirectWinsThenTheAddressThenTheVariables) {
    const struct {
        bool direct;
        bool address;
        bool variable;  // http_proxy names the proxy too
        bool through;
    } cases[] = {
        {false, true, false, true},
        {false, false, true, true},
        {true, false, true, false},
        {true, true, false, false},
    };
    ASSERT_TRUE(openAudio());
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
    const QString base = "http://127.0.0.1:1";  // only a proxy answers there
    qsizetype passed = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.direct << ' ' << c.address << ' ' << c.variable);
        zvsettings::storeProxy({c.direct, c.address ? address : QString()});
        zvengine::applyProxy(zvsettings::storedProxy());
        if (c.variable) {
            qputenv("http_proxy", ("http://" + address).toUtf8());
        }
        EXPECT_EQ(zvnet::fetch(base + "/config/zvadok.txt", {}).ok, c.through);
        const QByteArray station = (base + "/radio/dallam").toUtf8();
        const ZVA_HSTREAM stream = ZVA_StreamCreateURL(station.constData(), 0, 0, nullptr, nullptr);
        qunsetenv("http_proxy");
        EXPECT_EQ(stream != 0, c.through);
        ZVA_StreamFree(stream);
        passed += 2 * c.through;
        EXPECT_EQ(passedThrough(base), passed);
    }
}

TEST_F(Proxy, StartUpFetchesTheStationListThroughTheStoredProxy) {
    installSkins();
    installAudioLibrary();
    zvstartup::startupValues() = {};
    zvsettings::storeProxy({false, address});
    const std::unique_ptr<frmMain> window = zvstartup::Main({});
    EXPECT_EQ(passedThrough(zvstartup::configurationAddress()), 1);
}

}  // namespace
