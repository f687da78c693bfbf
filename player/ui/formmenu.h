// The main window's menu, opened by a right click anywhere on the window, the Menu key or
// Shift+F10: the window's own commands (minimise, close), then the settings dialog, the about
// box, the user manual and the titles heard. The dialogs open modal, a new one each time.
//
// Thread contract: UI thread only.
#pragma once

#include "engine/stationtable.h"

#include <QObject>

#include <functional>

class QKeyEvent;
class QMenu;
class QWidget;

class FormMenu : public QObject {
    Q_OBJECT
public:
    // `skin` draws a dialog in the window's skin; `stations` tells the about box where the
    // station list came from.
    FormMenu(std::function<void(QWidget*)> skin, const zvengine::StationList& stations);

    // Builds the menu on `window` and starts answering its events; once per window.
    void install(QWidget* window);

    // Whether a key press opens the menu (and so is no station key).
    static bool opensMenu(const QKeyEvent& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSettings();
    void showAbout();
    void openManual();
    void showHistory();

    std::function<void(QWidget*)> skin_;
    const zvengine::StationList& stations_;
    QWidget* window_ = nullptr;
    QMenu* menu_ = nullptr;
};
