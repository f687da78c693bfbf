#include "frmsett.h"

#include "engine/audioengine.h"
#include "engine/networkproxy.h"
#include "engine/recordingstate.h"
#include "platform/errorlog.h"
#include "platform/settingsstore.h"
#include "platform/writefolders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kProxyHint = QStringLiteral("(felhasználó:jelszó@)szerver:port");

}  // namespace

frmSett::frmSett(const std::function<void(QWidget*)>& skin, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSett"));
    setWindowTitle(QStringLiteral("Beállítások"));
    createControls();
    Form_Load(skin);
}

void frmSett::createControls() {
    auto* network = new QGroupBox(QStringLiteral("Hálózati kapcsolat"), this);
    auto* proxyLabel = new QLabel(QStringLiteral("Proxy szerver"), network);
    proxyLabel->setObjectName(QStringLiteral("lblProxy"));
    proxyLabel->setToolTip(kProxyHint);
    txtProxy_ = new QLineEdit(network);
    txtProxy_->setObjectName(QStringLiteral("txtProxy"));
    txtProxy_->setToolTip(kProxyHint);
    chkDirectConnect_ = new QCheckBox(QStringLiteral("Közvetlen kapcsolat"), network);
    chkDirectConnect_->setObjectName(QStringLiteral("chkDirectConnect"));
    auto* networkLayout = new QGridLayout(network);
    networkLayout->addWidget(proxyLabel, 0, 0);
    networkLayout->addWidget(txtProxy_, 0, 1);
    networkLayout->addWidget(chkDirectConnect_, 1, 1);

    auto* output = new QGroupBox(QStringLiteral("Hangkimenet"), this);
    auto* deviceLabel = new QLabel(QStringLiteral("Hangkártya"), output);
    deviceLabel->setObjectName(QStringLiteral("lblDev"));
    cmbDev_ = new QComboBox(output);
    cmbDev_->setObjectName(QStringLiteral("cmbDev"));
    chkSave_ = new QCheckBox(QStringLiteral("Adás mentése a helyi gépre, hangfájlba:"), output);
    chkSave_->setObjectName(QStringLiteral("chkSave"));
    chkNotice_ = new QCheckBox(QStringLiteral("Értesítés az új számokról"), output);
    chkNotice_->setObjectName(QStringLiteral("chkNotice"));
    chkLevel_ = new QCheckBox(QStringLiteral("Egyenletes hangerő minden adón"), output);
    chkLevel_->setObjectName(QStringLiteral("chkLevel"));
    auto* outputLayout = new QGridLayout(output);
    outputLayout->addWidget(deviceLabel, 0, 0);
    outputLayout->addWidget(cmbDev_, 0, 1);
    outputLayout->addWidget(chkSave_, 1, 0, 1, 2);
    outputLayout->addWidget(chkNotice_, 2, 0, 1, 2);
    outputLayout->addWidget(chkLevel_, 3, 0, 1, 2);

    cmOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmOK_->setObjectName(QStringLiteral("cmOK"));
    cmOK_->setDefault(true);
    cmdCancl_ = new QPushButton(QStringLiteral("Mégsem"), this);
    cmdCancl_->setObjectName(QStringLiteral("cmdCancl"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmOK_);
    buttons->addWidget(cmdCancl_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(network);
    layout->addWidget(output);
    layout->addLayout(buttons);
}

void frmSett::Form_Load(const std::function<void(QWidget*)>& skin) {
    zverr::trapEvent("frmSett.Form_Load", [this, &skin] {
        const zvengine::AudioEngine& engine = zvengine::audioEngine();
        cmbDev_->addItems(engine.devices());
        // Device numbers count from 1; the default device (-1) and 0 select nothing.
        const int device = engine.device();
        cmbDev_->setCurrentIndex(device >= 1 ? device - 1 : -1);

        const zvsettings::ProxySetting stored = zvsettings::storedProxy();
        shownProxy_ = {stored.direct, stored.direct ? QString() : stored.address};
        chkDirectConnect_->setChecked(shownProxy_.direct);
        txtProxy_->setText(shownProxy_.address);
        txtProxy_->setEnabled(!shownProxy_.direct);
        chkSave_->setChecked(zvengine::recordingState().recordingEnabled);
        chkNotice_->setChecked(zvsettings::storedNotices());
        chkLevel_->setChecked(zvsettings::storedLevelling());

        skin(this);
        chkSave_->setText(chkSave_->text() + QStringLiteral(" (") + zvpaths::recordingFolder() +
                          QLatin1Char(')'));
    });
    // Every change of a box's state counts, however it came (mouse, space bar, a screen
    // reader's toggle), so what the box shows is what holds; the state set above is no change.
    connect(chkDirectConnect_, &QCheckBox::toggled, this, &frmSett::chkDirectConnect_Click);
    connect(chkSave_, &QCheckBox::toggled, this, &frmSett::chkSave_Click);
    connect(chkNotice_, &QCheckBox::toggled, this, &frmSett::chkNotice_Click);
    connect(chkLevel_, &QCheckBox::toggled, this, &frmSett::chkLevel_Click);
    connect(cmOK_, &QPushButton::clicked, this, &frmSett::cmOK_Click);
    connect(cmdCancl_, &QPushButton::clicked, this, &frmSett::cmdCancl_Click);
}

void frmSett::chkDirectConnect_Click() {
    zverr::trapEvent("frmSett.chkDirectConnect_Click", [this] {
        txtProxy_->setEnabled(!chkDirectConnect_->isChecked());
        txtProxy_->clear();
    });
}

void frmSett::chkSave_Click() {
    // The switch holds at once: Cancel does not take it back.
    zverr::trapEvent("frmSett.chkSave_Click",
                     [this] { zvengine::setRecordingEnabled(chkSave_->isChecked()); });
}

void frmSett::chkNotice_Click() {
    // Like the recording switch it holds at once; the notices read the store at every title.
    zverr::trapEvent("frmSett.chkNotice_Click",
                     [this] { zvsettings::storeNotices(chkNotice_->isChecked()); });
}

void frmSett::chkLevel_Click() {
    // Like the recording switch it holds at once; the library ramps the gain over a second.
    zverr::trapEvent("frmSett.chkLevel_Click",
                     [this] { zvengine::audioEngine().switchLevelling(chkLevel_->isChecked()); });
}

void frmSett::cmOK_Click() {
    zverr::trapEvent("frmSett.cmOK_Click", [this] {
        // With nothing selected the current device stays.
        if (cmbDev_->currentIndex() >= 0) {
            zvengine::audioEngine().chooseDevice(cmbDev_->currentIndex() + 1);
        }
        saveProxy();
        accept();
    });
}

void frmSett::saveProxy() {
    const zvsettings::ProxySetting proxy{chkDirectConnect_->isChecked(), txtProxy_->text()};
    // An unchanged setting is neither written nor applied again.
    if (proxy.direct == shownProxy_.direct && proxy.address == shownProxy_.address) {
        return;
    }
    zvsettings::storeProxy(proxy);
    zvengine::applyProxy(proxy);
}

void frmSett::cmdCancl_Click() {
    zverr::trapEvent("frmSett.cmdCancl_Click", [this] { reject(); });
}
