// The receiver's main window: logo, station name, description, format and bit rate, title,
// clock, left and right level meters, volume slider, stop button and thirteen preset buttons in
// two rows, drawn in the current skin.
//
// Thread contract: UI thread only.
#pragma once

#include "engine/receiverview.h"
#include "engine/stationtable.h"
#include "engine/streamwatch.h"
#include "formmenu.h"
#include "skin.h"
#include "wheelhook.h"

#include <QWidget>

#include <array>

class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class PulseGauge;
class QTimer;
class SkinLabel;

class frmMain : public QWidget, public zvengine::ReceiverView {
    Q_OBJECT
public:
    // `startStation`: the station number (1..13) the first show starts; 0 = none.
    frmMain(zvengine::StationList& stations, int startStation = 0, QWidget* parent = nullptr);
    ~frmMain() override;

    // The load step, run once by start-up before the window is shown: the one-copy check (a
    // later copy ends here), volume, clock, prompt, preset buttons, caption, skin, logos.
    void Form_Load();

    // Starts the station at `Index` (0..12): tears down what played, starts a stream worker,
    // and shows the station's skin and logo.
    //
    // A start, a stop or a close asked for while the output device is being opened (from the
    // keys, the media controls or a later copy, through a device box's event loop) waits in
    // zvengine::DeviceGate and runs once the opening is over.
    void btnPresents_Click(int Index);
    // Back to the choose-a-station prompt, the default logo and skin, without sound.
    void cmdStop_Click();
    // Starts station number `btnm` (1..13) as its button would, if it is offered.
    void autoPlay(int btnm);
    // One wheel event on the window: one step of the volume slider (only zDelta counts).
    void Mousewheel(int fwKeys, int zDelta, int xPos, int yPos);

    // The fast timer (every 90 ms): the level meters follow the playing stream. It sleeps while
    // nothing plays or the window cannot be seen, with the meters at rest.
    void tmrHi_Timer();
    // The slow timer (every 20 s): the clock, and the watches that stop a station whose stream
    // failed, stays stalled or lost its connection.
    void tmrLo_Timer();

    void setLabel(std::uint64_t generation, Label label, const QString& text) override;
    void setCaption(std::uint64_t generation, const QString& text) override;

    static const QString kCaption;  // "Zenovia"
    static const QString kPrompt;   // the choose-a-station prompt

    QSlider& volumeSlider() { return *VScroll1_; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void layoutPresetRow(int first, int last);
    void showLogo(const QString& file);
    void showClock();
    void Form_Activate();
    void Form_KeyDown(int key);
    void Form_Resize();
    void Form_Unload();
    void VuR_DblClick();
    // Starts the fast timer again once the window can be seen.
    void wakeMeters();
    void lblTitle_Change();
    void VScroll1_Change();
    void VScroll1_Scroll(int position);
    void stopSound();
    void applySkin(const QString& file);
    SkinLabel* labelOf(Label label) const;

    zvengine::StationList& stations_;
    const int startStation_;
    bool autoStarted_ = false;  // the first show has started the command-line station
    Skin skin_;
    FormMenu modFormMenu_;
    // Installed after every skin operation and teardown of the audio library, removed before.
    WheelHook modWheel_{[this](int zDelta) { Mousewheel(0, zDelta, 0, 0); }};
    zvengine::StallWatch stallWatch_;

    QLabel* pictLogo_;
    SkinLabel* lblName_;
    SkinLabel* lblDesc_;
    SkinLabel* lblBps_;
    SkinLabel* lblTitle_;
    SkinLabel* lblOra_;
    PulseGauge* VuL_;
    PulseGauge* VuR_;
    QSlider* VScroll1_;
    QPushButton* cmdStop_;
    QFrame* framePresents_;
    std::array<QPushButton*, zvengine::kStationCount> btnPresents_;
    QTimer* tmrHi_;
    QTimer* tmrLo_;
};
