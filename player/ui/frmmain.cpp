#include "frmmain.h"

#include "buttonlayout.h"
#include "clockline.h"
#include "engine/audioengine.h"
#include "engine/devicegate.h"
#include "engine/logopicture.h"
#include "engine/stationlogos.h"
#include "formmenu.h"
#include "platform/errorchain.h"
#include "platform/errorlog.h"
#include "platform/programpaths.h"
#include "platform/settingsstore.h"
#include "previousinstance.h"
#include "pulsegauge.h"
#include "skinlabel.h"
#include "volumestep.h"
#include "windowcaption.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

const QString frmMain::kCaption = QStringLiteral("Zenovia");
const QString frmMain::kPrompt = zvengine::kChooseStationPrompt;

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

constexpr int kMeterPeriodMs = 90;
constexpr int kClockPeriodMs = 20000;

// The skin of a station: the first three buttons have their own, every other one the night skin.
QString skinFileOf(int index) {
    return QStringLiteral("zv%1.skn").arg(index >= 0 && index <= 2 ? index + 1 : 0);
}

}  // namespace

frmMain::frmMain(zvengine::StationList& stations, int startStation, QWidget* parent)
    : QWidget(parent),
      stations_(stations),
      startStation_(startStation),
      modFormMenu_([this](QWidget* dialog) { skin_.SkinWindow(dialog); }, stations_) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kCaption);
    setFixedSize(kWindowSize);
    createControls();
    zvengine::AudioEngine& engine = zvengine::audioEngine();
    engine.attach(this, &stations_);
    // The media controls' requests, carried out as the window's own controls would.
    connect(&engine, &zvengine::AudioEngine::startRequested, this, &frmMain::btnPresents_Click);
    connect(&engine, &zvengine::AudioEngine::stopRequested, this, &frmMain::cmdStop_Click);
    connect(&engine, &zvengine::AudioEngine::volumeRequested, VScroll1_, &QSlider::setValue);
    // The keys reach the window before whichever control has the focus.
    qApp->installEventFilter(this);
}

frmMain::~frmMain() {
    zvengine::audioEngine().detach(this);
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
    connect(lblTitle_, &SkinLabel::changed, this, &frmMain::lblTitle_Change);

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
    // The position changes when the thumb is let go; while it is dragged the volume follows it.
    VScroll1_->setTracking(false);
    connect(VScroll1_, &QSlider::valueChanged, this, &frmMain::VScroll1_Change);
    connect(VScroll1_, &QSlider::sliderMoved, this, &frmMain::VScroll1_Scroll);

    cmdStop_ = new QPushButton(QStringLiteral("■"), this);
    cmdStop_->setObjectName(QStringLiteral("cmdStop"));
    cmdStop_->setGeometry(kStopRect);
    cmdStop_->setToolTip(QStringLiteral("Leállítás (Esc)"));
    connect(cmdStop_, &QPushButton::clicked, this, &frmMain::cmdStop_Click);

    framePresents_ = new QFrame(this);
    framePresents_->setObjectName(QStringLiteral("framePresents"));
    framePresents_->setGeometry(kPresetFrameRect);
    for (int i = 0; i < zvengine::kStationCount; ++i) {
        auto* button = new QPushButton(framePresents_);
        button->setObjectName(QStringLiteral("btnPresents(%1)").arg(i));
        const int top = i < zvengine::kUpperRowCount ? kUpperRowTop : kLowerRowTop;
        button->setGeometry(0, twipsToPixels(top), 0, twipsToPixels(kButtonHeight));
        button->setToolTip(QStringLiteral("F%1").arg(i + 1));
        connect(button, &QPushButton::clicked, this, [this, i] { btnPresents_Click(i); });
        btnPresents_[static_cast<size_t>(i)] = button;
    }

    tmrHi_ = new QTimer(this);
    tmrHi_->setObjectName(QStringLiteral("tmrHi"));
    tmrHi_->setInterval(kMeterPeriodMs);
    connect(tmrHi_, &QTimer::timeout, this, &frmMain::tmrHi_Timer);
    tmrLo_ = new QTimer(this);
    tmrLo_->setObjectName(QStringLiteral("tmrLo"));
    tmrLo_->setInterval(kClockPeriodMs);
    connect(tmrLo_, &QTimer::timeout, this, &frmMain::tmrLo_Timer);
}

void frmMain::Form_Load() {
    modPreviousInstance::CheckPrevInstance(*this, startStation_);
    // Before the skin: the menu is the window's child, so every skin draws it too.
    modFormMenu_.install(this);
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
    applySkin(QStringLiteral("zv0.skn"));

    zvengine::MainCont(stations_);
    if (zvpaths::FileExists(stations_.defaultLogoFile)) {
        showLogo(stations_.defaultLogoFile);
    }
    lblName_->setValue(QString());
    lblDesc_->setValue(QString());
    tmrHi_->start();
    tmrLo_->start();
    modWheel_.Hook(this);
}

SkinLabel* frmMain::labelOf(Label label) const {
    switch (label) {
        case Label::Name:
            return lblName_;
        case Label::Desc:
            return lblDesc_;
        case Label::Bps:
            return lblBps_;
        case Label::Title:
            break;
    }
    return lblTitle_;
}

void frmMain::setLabel(std::uint64_t generation, Label label, const QString& text) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, label, text] {
            if (zvengine::audioEngine().isCurrent(generation)) {
                labelOf(label)->setValue(text);
            }
        },
        Qt::QueuedConnection);
}

void frmMain::setCaption(std::uint64_t generation, const QString& text) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, text] {
            if (zvengine::audioEngine().isCurrent(generation)) {
                setWindowTitle(text);
            }
        },
        Qt::QueuedConnection);
}

bool frmMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return QWidget::event(event);
}

void frmMain::Form_Activate() {
    zverr::trapEvent("frmMain.Form_Activate", [this] {
        // Every activation, a closing dialog's included, only notes the window for a later
        // copy; the command-line station starts at the first show.
        modPreviousInstance::SaveWindowHandle(*this);
    });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    // A key goes to the focus widget first and then, when ignored, to each parent in turn: the
    // filter sees it once per receiver, so only its first receiver counts.
    QWidget* first = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : this;
    if (event->type() == QEvent::KeyPress && watched == first && first->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat() && !FormMenu::opensMenu(*key)) {
            Form_KeyDown(key->key());
        }
    }
    return false;
}

void frmMain::Form_KeyDown(int key) {
    zverr::trapEvent("frmMain.Form_KeyDown", [this, key] {
        if (key >= Qt::Key_F1 && key <= Qt::Key_F13) {
            autoPlay(key - Qt::Key_F1 + 1);
        } else if (key == Qt::Key_Escape) {
            cmdStop_Click();
        }
    });
}

void frmMain::autoPlay(int btnm) {
    zverr::Procedure proc("frmMain", "autoPlay");
    try {
        proc.step(1);
        if (btnm - 1 < 0 || btnm - 1 >= zvengine::kStationCount) {
            return;
        }
        proc.step(2);
        if (!stations_.stations[static_cast<size_t>(btnm - 1)].enabled) {
            return;
        }
        proc.step(3);
        btnPresents_Click(btnm - 1);
        proc.step(4);
        btnPresents_[static_cast<size_t>(btnm - 1)]->setFocus();
    } catch (...) {
        proc.passOn();
    }
}

void frmMain::btnPresents_Click(int Index) {
    if (zvengine::DeviceGate::holds(this, [this, Index] { btnPresents_Click(Index); })) {
        return;
    }
    zverr::trapEvent("frmMain.btnPresents_Click", [this, Index] {
        stallWatch_.reset();
        modWheel_.UnHook();
        const bool started = zvengine::audioEngine().start(Index);
        modWheel_.Hook(this);
        if (!started) {
            QApplication::beep();
        }
        tmrHi_->start();
        modWheel_.UnHook();
        const zvengine::StationRecord& station = stations_.stations.at(static_cast<size_t>(Index));
        if (zvpaths::FileExists(station.logoFile)) {
            showLogo(station.logoFile);
        } else if (zvpaths::FileExists(stations_.defaultLogoFile)) {
            showLogo(stations_.defaultLogoFile);
        }
        applySkin(skinFileOf(Index));
        modWheel_.Hook(this);
    });
}

void frmMain::stopSound() {
    zverr::Procedure proc("frmMain", "stopSound");
    try {
        proc.step(1);
        modWheel_.UnHook();
        proc.step(2);
        zvengine::audioEngine().stop();
        proc.step(6);
        modWheel_.Hook(this);
    } catch (...) {
        proc.passOn();
    }
}

void frmMain::cmdStop_Click() {
    if (zvengine::DeviceGate::holds(this, [this] { cmdStop_Click(); })) {
        return;
    }
    zverr::trapEvent("frmMain.cmdStop_Click", [this] {
        lblName_->setValue(QString());
        lblBps_->setValue(QString());
        lblDesc_->setValue(QString());
        lblTitle_->setValue(kPrompt);
        setWindowTitle(kCaption);
        stopSound();
        modWheel_.UnHook();
        if (zvpaths::FileExists(stations_.defaultLogoFile)) {
            showLogo(stations_.defaultLogoFile);
        }
        applySkin(QStringLiteral("zv0.skn"));
        modWheel_.Hook(this);
    });
}

void frmMain::applySkin(const QString& file) {
    skin_.OpenSkin(zvpaths::programFolder() + QLatin1Char('/') + file);
    skin_.SkinWindow(this);
}

void frmMain::tmrHi_Timer() {
    zverr::trapEvent("frmMain.tmrHi_Timer", [this] {
        // Nothing is drawn for a window nobody sees.
        const zvengine::AudioEngine& engine = zvengine::audioEngine();
        const bool seen = isVisible() && !isMinimized();
        const zvengine::MeterLevels levels = seen ? engine.levels() : zvengine::MeterLevels{};
        VuL_->setLevel(levels.left);
        VuR_->setLevel(levels.right);
        // With the meters at rest and nothing about to play, or nobody to see them, the timer
        // sleeps until a station starts or the window is shown again: an idle receiver wakes
        // for nothing.
        if (!seen || !engine.sounding()) {
            tmrHi_->stop();
        }
    });
}

void frmMain::tmrLo_Timer() {
    zverr::trapEvent("frmMain.tmrLo_Timer", [this] {
        showClock();
        if (stallWatch_.tick(zvengine::audioEngine().troubled())) {
            setWindowTitle(kCaption);
            cmdStop_Click();
        }
        if (zvengine::audioEngine().connectionDropped()) {
            cmdStop_Click();
        }
    });
}

void frmMain::lblTitle_Change() {
    const zvengine::AudioEngine& engine = zvengine::audioEngine();
    const int station = engine.station();
    const QString stationCaption = station >= 0 && station < zvengine::kStationCount
                                       ? btnPresents_[static_cast<size_t>(station)]->text()
                                       : QString();
    setWindowTitle(
        windowCaption(engine.playing(), isMinimized(), stationCaption, lblTitle_->value()));
}

void frmMain::VScroll1_Change() {
    zverr::trapEvent("frmMain.VScroll1_Change",
                     [this] { zvengine::audioEngine().setVolume(VScroll1_->value()); });
}

void frmMain::VScroll1_Scroll(int position) {
    zverr::trapEvent("frmMain.VScroll1_Scroll",
                     [position] { zvengine::audioEngine().setVolume(position); });
}

void frmMain::Mousewheel(int, int zDelta, int, int) {
    zverr::Procedure proc("frmMain", "Mousewheel");
    try {
        proc.step(1);
        VScroll1_->setValue(wheelPosition(VScroll1_->value(), zDelta));
    } catch (...) {
        proc.passOn();
    }
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
    // A file that is no GIF, PNG or JPEG leaves the picture shown.
    const QPixmap logo = QPixmap::fromImage(readLogoPicture(file));
    if (!logo.isNull()) {
        pictLogo_->setPixmap(logo);
        zvengine::audioEngine().setLogoFile(file);
    }
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
        wakeMeters();
    }
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    wakeMeters();
    // The command-line station starts once the window is first up, whether or not it ever gets
    // the focus (on Wayland, or with focus-stealing prevention, it may never): from the event
    // loop, once the window is shown.
    if (!autoStarted_) {
        autoStarted_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                zverr::trapEvent("frmMain.Form_Activate", [this] { autoPlay(startStation_); });
                modPreviousInstance::ServeHandOvers(*this);
            },
            Qt::QueuedConnection);
    }
}

void frmMain::wakeMeters() {
    if (!isMinimized() && !tmrHi_->isActive()) {
        tmrHi_->start();
    }
}

void frmMain::Form_Resize() {
    zverr::trapEvent("frmMain.Form_Resize", [this] {
        lblTitle_Change();
        if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
            setWindowTitle(kCaption);
        }
    });
}

void frmMain::VuR_DblClick() {
    zverr::trapEvent("frmMain.VuR_DblClick", [] {});
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (zvengine::DeviceGate::holdsClose(this, [this] { close(); })) {
        event->ignore();
        return;
    }
    modPreviousInstance::ForgetWindowHandle(*this);
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    zverr::trapEvent("frmMain.Form_Unload", [this] {
        modWheel_.UnHook();
        tmrHi_->stop();
        tmrLo_->stop();
        zvsettings::storeVolume(VScroll1_->value());
        zvengine::audioEngine().shutdown();
    });
}
