#include "frmmain.h"

#include "buttonlayout.h"
#include "clockline.h"
#include "engine/stationlogos.h"
#include "platform/errorlog.h"
#include "platform/programpaths.h"
#include "platform/settingsstore.h"
#include "pulsegauge.h"
#include "skinlabel.h"

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

const QString frmMain::kCaption = QStringLiteral("Zenovia");
const QString frmMain::kPrompt =
    QStringLiteral("Kérem, válasszon egy élő műsort\raz alábbiak közül");

namespace {

using zvlayout::twipsToPixels;

// The window's fixed design, in pixels.
constexpr QSize kWindowSize{600, 336};
constexpr QRect kLogoRect{12, 12, 377, 126};
constexpr QRect kClockRect{401, 12, 128, 58};
constexpr QRect kBpsRect{401, 76, 128, 22};
constexpr QRect kStopRect{401, 106, 32, 32};
constexpr QRect kLeftMeterRect{536, 12, 11, 129};
constexpr QRect kRightMeterRect{551, 12, 11, 129};
constexpr QRect kVolumeRect{566, 12, 22, 129};
constexpr QRect kNameRect{12, 150, 576, 22};
constexpr QRect kDescRect{12, 172, 576, 20};
constexpr QRect kTitleRect{12, 196, 576, 46};
constexpr QRect kPresetFrameRect{12, 250, 576, 76};

// The preset rows' vertical design, in twips below the frame's top edge.
constexpr int kUpperRowTop = 240;
constexpr int kLowerRowTop = 620;
constexpr int kButtonHeight = 350;

constexpr int kClockPeriodMs = 20000;

}  // namespace

frmMain::frmMain(zvengine::StationList& stations, QWidget* parent)
    : QWidget(parent), stations_(stations) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kCaption);
    setFixedSize(kWindowSize);
    createControls();
}

void frmMain::createControls() {
    pictLogo_ = new QLabel(this);
    pictLogo_->setObjectName(QStringLiteral("pictLogo"));
    pictLogo_->setGeometry(kLogoRect);
    pictLogo_->setScaledContents(true);
    pictLogo_->setPixmap(QPixmap(QStringLiteral(":/zenovia/logo.gif")));

    auto label = [this](const char* name, const QRect& rect) {
        auto* l = new SkinLabel(QString::fromLatin1(name), this);
        l->setGeometry(rect);
        l->setWordWrap(true);
        return l;
    };
    lblOra_ = label("lblOra", kClockRect);
    lblOra_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblBps_ = label("lblBps", kBpsRect);
    lblBps_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblName_ = label("lblName", kNameRect);
    lblDesc_ = label("lblDesc", kDescRect);
    lblTitle_ = label("lblTitle", kTitleRect);

    QFile design(QStringLiteral(":/zenovia/vumeter.bag"));
    design.open(QIODevice::ReadOnly);
    const QString meterDesign = QString::fromUtf8(design.readAll());
    auto meter = [&](const char* name, const QRect& rect) {
        PulseGauge* gauge = PulseGauge::fromText(meterDesign, this);
        gauge->setObjectName(QString::fromLatin1(name));
        gauge->setGeometry(rect);
        return gauge;
    };
    VuL_ = meter("VuL", kLeftMeterRect);
    VuR_ = meter("VuR", kRightMeterRect);
    connect(VuR_, &PulseGauge::DblClick, this, &frmMain::VuR_DblClick);

    VScroll1_ = new QSlider(Qt::Vertical, this);
    VScroll1_->setObjectName(QStringLiteral("VScroll1"));
    VScroll1_->setGeometry(kVolumeRect);
    VScroll1_->setToolTip(QStringLiteral("Hangerő"));

    cmdStop_ = new QPushButton(QStringLiteral("■"), this);
    cmdStop_->setObjectName(QStringLiteral("cmdStop"));
    cmdStop_->setGeometry(kStopRect);
    cmdStop_->setToolTip(QStringLiteral("Leállítás (Esc)"));

    framePresents_ = new QFrame(this);
    framePresents_->setObjectName(QStringLiteral("framePresents"));
    framePresents_->setGeometry(kPresetFrameRect);
    for (int i = 0; i < zvengine::kStationCount; ++i) {
        auto* button = new QPushButton(framePresents_);
        button->setObjectName(QStringLiteral("btnPresents(%1)").arg(i));
        const int top = i < zvengine::kUpperRowCount ? kUpperRowTop : kLowerRowTop;
        button->setGeometry(0, twipsToPixels(top), 0, twipsToPixels(kButtonHeight));
        button->setToolTip(QStringLiteral("F%1").arg(i + 1));
        btnPresents_[static_cast<size_t>(i)] = button;
    }

    tmrLo_ = new QTimer(this);
    tmrLo_->setInterval(kClockPeriodMs);
    connect(tmrLo_, &QTimer::timeout, this, &frmMain::showClock);
}

void frmMain::Form_Load() {
    VScroll1_->setRange(0, 50);  // the top end is the loudest
    VScroll1_->setValue(zvsettings::storedVolume());
    showClock();
    lblTitle_->setValue(kPrompt);

    for (int i = 0; i < zvengine::kStationCount; ++i) {
        const zvengine::StationRecord& station = stations_.stations[static_cast<size_t>(i)];
        QPushButton* button = btnPresents_[static_cast<size_t>(i)];
        button->setText(station.name);
        button->setVisible(station.enabled);
    }
    layoutPresetRow(0, zvengine::kUpperRowCount - 1);
    layoutPresetRow(zvengine::kUpperRowCount, zvengine::kStationCount - 1);

    if (stations_.localConfig) {
        setWindowTitle(windowTitle() + QStringLiteral(" (helyi konfiguráció)"));
    }
    skin_.OpenSkin(zvpaths::programFolder() + QStringLiteral("/zv0.skn"));
    skin_.SkinWindow(this);

    zvengine::MainCont(stations_);
    if (zvpaths::FileExists(stations_.defaultLogoFile)) {
        showLogo(stations_.defaultLogoFile);
    }
    lblName_->setValue(QString());
    lblDesc_->setValue(QString());
    tmrLo_->start();
}

void frmMain::showClock() {
    lblOra_->setValue(clockText(QDateTime::currentDateTime(), QLocale::system()));
}

void frmMain::layoutPresetRow(int first, int last) {
    std::vector<bool> enabled;
    for (int i = first; i <= last; ++i) {
        enabled.push_back(stations_.stations[static_cast<size_t>(i)].enabled);
    }
    const double frameWidth = zvlayout::pixelsToTwips(framePresents_->width());
    const std::vector<zvlayout::ButtonPlacement> row = zvlayout::layoutRow(frameWidth, enabled);
    for (size_t k = 0; k < row.size(); ++k) {
        QPushButton* button = btnPresents_[static_cast<size_t>(first) + k];
        const int left = row[k].left ? twipsToPixels(*row[k].left) : button->x();
        button->setGeometry(left, button->y(), twipsToPixels(row[k].width), button->height());
    }
}

void frmMain::showLogo(const QString& file) {
    const QPixmap logo(file);
    if (!logo.isNull()) {
        pictLogo_->setPixmap(logo);
    }
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

void frmMain::Form_Resize() {
    zverr::trapEvent("frmMain.Form_Resize", [this] {
        if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
            setWindowTitle(kCaption);
        }
    });
}

void frmMain::VuR_DblClick() {
    zverr::trapEvent("frmMain.VuR_DblClick", [] {});
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    zverr::trapEvent("frmMain.Form_Unload", [this] {
        zvsettings::write(zvsettings::kSettingsSection, QStringLiteral("Hangero"),
                          QString::number(VScroll1_->value()));
    });
}
