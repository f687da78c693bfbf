// The receiver's main window: logo, station name, description, format and bit rate, title,
// clock, left and right level meters, volume slider, stop button and thirteen preset buttons in
// two rows, drawn in the current skin.
//
// Thread contract: UI thread only.
#pragma once

#include "engine/stationtable.h"
#include "skin.h"

#include <QWidget>

#include <array>

class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class PulseGauge;
class QTimer;
class SkinLabel;

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(zvengine::StationList& stations, QWidget* parent = nullptr);

    // The load step, run once by start-up before the window is shown: volume, clock, prompt,
    // preset buttons, caption, skin, logos.
    void Form_Load();

    static const QString kCaption;  // "Zenovia"
    static const QString kPrompt;   // the choose-a-station prompt

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void layoutPresetRow(int first, int last);
    void showLogo(const QString& file);
    void showClock();
    void Form_Resize();
    void Form_Unload();
    void VuR_DblClick();

    zvengine::StationList& stations_;
    Skin skin_;

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
    QTimer* tmrLo_;
};
